// WinHTTP, loaded from System32, in its asynchronous mode: the thread waits
// for each step with the exchange's deadline and the stop event, and closing
// the request is what cancels it.
#include "monitor/router_http.h"

#include <winhttp.h>

#include <cstdio>
#include <cstring>

#include "monitor/clock.h"
#include "monitor/system_library.h"
#include "scoped.h"

namespace {

struct WinHttp {
    decltype(&WinHttpOpen) open;
    decltype(&WinHttpSetStatusCallback) set_status_callback;
    decltype(&WinHttpSetTimeouts) set_timeouts;
    decltype(&WinHttpConnect) connect;
    decltype(&WinHttpOpenRequest) open_request;
    decltype(&WinHttpSetOption) set_option;
    decltype(&WinHttpSendRequest) send_request;
    decltype(&WinHttpReceiveResponse) receive_response;
    decltype(&WinHttpQueryHeaders) query_headers;
    decltype(&WinHttpReadData) read_data;
    decltype(&WinHttpCloseHandle) close_handle;
};

WinHttp load_win_http() {
    WinHttp api{};
    HMODULE module = load_system_library(L"winhttp.dll");
    if (!module) return {};
    const bool complete = find_function(module, "WinHttpOpen", &api.open) &&
                          find_function(module, "WinHttpSetStatusCallback", &api.set_status_callback) &&
                          find_function(module, "WinHttpSetTimeouts", &api.set_timeouts) &&
                          find_function(module, "WinHttpConnect", &api.connect) &&
                          find_function(module, "WinHttpOpenRequest", &api.open_request) &&
                          find_function(module, "WinHttpSetOption", &api.set_option) &&
                          find_function(module, "WinHttpSendRequest", &api.send_request) &&
                          find_function(module, "WinHttpReceiveResponse", &api.receive_response) &&
                          find_function(module, "WinHttpQueryHeaders", &api.query_headers) &&
                          find_function(module, "WinHttpReadData", &api.read_data) &&
                          find_function(module, "WinHttpCloseHandle", &api.close_handle);
    return complete ? api : WinHttp{};
}

const WinHttp* win_http() {
    static const WinHttp loaded = load_win_http();
    return loaded.open ? &loaded : nullptr;
}

// A session or connection handle, closed (they carry no context: no callback).
struct InternetTraits {
    using Value = HINTERNET;
    static bool held(HINTERNET handle) { return handle != nullptr; }
    static void let_go(HINTERNET handle) { win_http()->close_handle(handle); }
};
using InternetGuard = Scoped<InternetTraits>;

// What WinHTTP's threads tell the waiting one about the request. Both hold
// it: the waiting thread until it has closed the request, WinHTTP until its
// last callback, which may come later (Wine ends a cancelled receive only at
// its time-out); the last one frees it.
struct Completion {
    HANDLE step;  // auto-reset: a step completed or failed
    LONG holders;
    DWORD status;
    DWORD bytes;
};

void let_go(Completion* completion) {
    if (InterlockedDecrement(&completion->holders) != 0) return;
    CloseHandle(completion->step);
    delete completion;
}

void CALLBACK on_status(HINTERNET, DWORD_PTR context, DWORD status, LPVOID, DWORD length) {
    auto* completion = reinterpret_cast<Completion*>(context);
    if (!completion) return;
    switch (status) {
        case WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING:
            let_go(completion);
            return;
        case WINHTTP_CALLBACK_STATUS_READ_COMPLETE:
            completion->bytes = length;
            break;
        case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
        case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE:
        case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR:
            break;
        default:
            return;
    }
    completion->status = status;
    SetEvent(completion->step);
}

// Waits for the step begun last to complete as `expected`.
HttpResult wait_for(Completion* completion, DWORD expected, std::int64_t deadline_ns, HANDLE stop) {
    const HANDLE events[2] = {completion->step, stop};
    for (;;) {
        const std::int64_t left_ns = deadline_ns - monotonic_ns();
        if (left_ns <= 0) return HttpResult::silent;
        const DWORD waited = WaitForMultipleObjects(stop ? 2 : 1, events, FALSE,
                                                    static_cast<DWORD>((left_ns + 999'999) / 1'000'000));
        if (waited == WAIT_OBJECT_0 + 1) return HttpResult::stopped;
        if (waited != WAIT_OBJECT_0) return HttpResult::silent;
        if (completion->status == expected) return HttpResult::answered;
        if (completion->status == WINHTTP_CALLBACK_STATUS_REQUEST_ERROR) return HttpResult::silent;
    }
}

// Converts ASCII texts (URLs have nothing else) to the wide ones WinHTTP takes.
void widen(const char* text, wchar_t* wide, std::size_t size) {
    std::size_t i = 0;
    for (; text[i] && i + 1 < size; ++i) wide[i] = static_cast<unsigned char>(text[i]);
    wide[i] = 0;
}

HttpResult run(const WinHttp& api, HINTERNET request, Completion* completion, HttpExchange* exchange,
               std::int64_t deadline_ns, HANDLE stop) {
    char narrow_headers[router_text_size + 96] = "";
    wchar_t headers[router_text_size + 96] = L"";
    DWORD body_size = 0;
    if (exchange->soap_action) {
        std::snprintf(narrow_headers, sizeof narrow_headers,
                      "Content-Type: text/xml; charset=\"utf-8\"\r\nSOAPAction: \"%s\"\r\n",
                      exchange->soap_action);
        widen(narrow_headers, headers, sizeof headers / sizeof *headers);
        body_size = static_cast<DWORD>(std::strlen(exchange->body));
    }
    if (!api.send_request(request, headers[0] ? headers : WINHTTP_NO_ADDITIONAL_HEADERS, headers[0] ? -1L : 0,
                          const_cast<char*>(exchange->body), body_size, body_size,
                          reinterpret_cast<DWORD_PTR>(completion)))
        return HttpResult::silent;
    HttpResult result = wait_for(completion, WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE, deadline_ns, stop);
    if (result != HttpResult::answered) return result;
    if (!api.receive_response(request, nullptr)) return HttpResult::silent;
    result = wait_for(completion, WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE, deadline_ns, stop);
    if (result != HttpResult::answered) return result;
    DWORD status = 0, status_size = sizeof status;
    if (!api.query_headers(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                           WINHTTP_HEADER_NAME_BY_INDEX, &status, &status_size, WINHTTP_NO_HEADER_INDEX))
        return HttpResult::silent;
    exchange->status = static_cast<int>(status);
    // One byte past the capacity tells a body that is too long.
    char past[1];
    for (;;) {
        const std::size_t room = exchange->answer_capacity - exchange->answer_size;
        char* into = room ? exchange->answer + exchange->answer_size : past;
        const DWORD asked = room ? static_cast<DWORD>(room < 16384 ? room : 16384) : 1;
        if (!api.read_data(request, into, asked, nullptr)) return HttpResult::silent;
        result = wait_for(completion, WINHTTP_CALLBACK_STATUS_READ_COMPLETE, deadline_ns, stop);
        if (result != HttpResult::answered) return result;
        if (completion->bytes == 0) return HttpResult::answered;
        if (!room) return HttpResult::too_large;
        exchange->answer_size += completion->bytes < asked ? completion->bytes : asked;
    }
}

}  // namespace

HttpResult http_exchange(HttpExchange* exchange, HANDLE stop) {
    const std::int64_t deadline_ns = monotonic_ns() + router_request_budget_ns;
    exchange->answer_size = 0;
    exchange->status = 0;
    const WinHttp* api = win_http();
    if (!api) return HttpResult::silent;
    wchar_t host[url_host_size], path[router_text_size];
    widen(exchange->url->host, host, url_host_size);
    widen(exchange->url->path, path, router_text_size);

    InternetGuard session(api->open(L"mivrel", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                    WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC));
    if (!session.get() ||
        api->set_status_callback(session.get(), on_status,
                                 WINHTTP_CALLBACK_FLAG_ALL_COMPLETIONS | WINHTTP_CALLBACK_FLAG_HANDLES,
                                 0) == WINHTTP_INVALID_STATUS_CALLBACK)
        return HttpResult::silent;
    const int budget_ms = static_cast<int>(router_request_budget_ns / 1'000'000);
    api->set_timeouts(session.get(), budget_ms, budget_ms, budget_ms, budget_ms);
    InternetGuard connection(api->connect(session.get(), host, exchange->url->port, 0));
    if (!connection.get()) return HttpResult::silent;
    HINTERNET request = api->open_request(connection.get(), exchange->soap_action ? L"POST" : L"GET", path,
                                          nullptr, WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, 0);
    if (!request) return HttpResult::silent;

    auto* completion = new Completion{CreateEventW(nullptr, FALSE, FALSE, nullptr), 1, 0, 0};
    DWORD never = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
    DWORD_PTR context = reinterpret_cast<DWORD_PTR>(completion);
    HttpResult result = HttpResult::silent;
    if (completion->step &&
        api->set_option(request, WINHTTP_OPTION_CONTEXT_VALUE, &context, sizeof context)) {
        InterlockedIncrement(&completion->holders);  // WinHTTP's, until the request's handle closes
        if (api->set_option(request, WINHTTP_OPTION_REDIRECT_POLICY, &never, sizeof never))
            result = run(*api, request, completion, exchange, deadline_ns, stop);
    }
    api->close_handle(request);
    let_go(completion);
    return result;
}
