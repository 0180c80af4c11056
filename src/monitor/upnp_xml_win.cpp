// The system's XML reader (XmlLite), from System32, over the bytes in memory.
#include "monitor/upnp_xml.h"

// clang-format off
#include <windows.h>
#include <initguid.h>
#include <xmllite.h>
#include <shlwapi.h>
// clang-format on

#include <cstdio>
#include <cstring>
#include <memory>

#include "monitor/handle_guards.h"
#include "monitor/system_library.h"

namespace {

// UPnP's deepest path is root/device/deviceList/device/deviceList/device/
// serviceList/service/controlURL; a few more levels leave room for the
// vendors' own elements.
constexpr UINT max_depth = 16;

constexpr wchar_t device_namespace[] = L"urn:schemas-upnp-org:device-1-0";
constexpr wchar_t envelope_namespace[] = L"http://schemas.xmlsoap.org/soap/envelope/";
constexpr wchar_t control_namespace[] = L"urn:schemas-upnp-org:control-1-0";

using CreateXmlReaderFunction = HRESULT(WINAPI*)(REFIID, void**, IMalloc*);

CreateXmlReaderFunction create_xml_reader() {
    static const CreateXmlReaderFunction function = [] {
        HMODULE module = load_system_library(L"xmllite.dll");
        return module ? reinterpret_cast<CreateXmlReaderFunction>(
                            reinterpret_cast<void*>(GetProcAddress(module, "CreateXmlReader")))
                      : nullptr;
    }();
    return function;
}

// A reader over the bytes, with no DTD and our depth, or null.
ComGuard<IXmlReader> open_reader(const char* bytes, std::size_t size, std::size_t size_max) {
    const CreateXmlReaderFunction create = create_xml_reader();
    if (!create || size > size_max) return {};
    IXmlReader* raw = nullptr;
    if (FAILED(create(IID_IXmlReader, reinterpret_cast<void**>(&raw), nullptr))) return {};
    ComGuard<IXmlReader> reader(raw);
    ComGuard<IStream> stream(
        SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes), static_cast<UINT>(size)));
    if (!stream.get() ||
        FAILED(reader.get()->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit)) ||
        FAILED(reader.get()->SetProperty(XmlReaderProperty_MaxElementDepth, max_depth)) ||
        FAILED(reader.get()->SetInput(stream.get())))
        return {};
    return reader;
}

bool same(const wchar_t* a, UINT length, const wchar_t* b) {
    return std::wcslen(b) == length && std::wmemcmp(a, b, length) == 0;
}

// Appends a text node's characters in the ANSI code page; false when the
// field would overflow.
bool append_text(const wchar_t* text, UINT length, char* field, std::size_t size) {
    if (length == 0) return true;
    const std::size_t used = std::strlen(field);
    if (length >= size - used) return false;
    const int written = WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), field + used,
                                            static_cast<int>(size - used - 1), nullptr, nullptr);
    if (written <= 0) return false;
    field[used + static_cast<std::size_t>(written)] = 0;
    return true;
}

// Where the walk through a document stands: the open elements, each with its
// local name and whether its namespace is the one expected at that point.
struct Element {
    wchar_t name[48];
    bool expected_namespace;
    int owner;  // a device's or a service's index, or -1
};

struct Walk {
    Element open[max_depth + 1];
    int depth;
    bool empty_open;  // the last element pushed was <empty/>: it has no end node
};

// Moves to the next node: an element is pushed (at its end, popped), a text
// node handed back. A DTD fails, as does any error of the reader, a depth past
// ours among them.
enum class Step { element, end, text, other, done, failed };

Step next(IXmlReader* reader, Walk* walk, const wchar_t* expected, const wchar_t** text, UINT* text_length) {
    if (walk->empty_open) {
        walk->empty_open = false;
        --walk->depth;
        return Step::end;
    }
    XmlNodeType type;
    const HRESULT read = reader->Read(&type);
    if (read == S_FALSE) return Step::done;
    if (read != S_OK) return Step::failed;
    if (type == XmlNodeType_DocumentType) return Step::failed;
    if (type == XmlNodeType_EndElement) {
        --walk->depth;
        return Step::end;
    }
    if (type == XmlNodeType_Text || type == XmlNodeType_CDATA) {
        return SUCCEEDED(reader->GetValue(text, text_length)) ? Step::text : Step::failed;
    }
    if (type != XmlNodeType_Element) return Step::other;
    if (walk->depth >= static_cast<int>(max_depth)) return Step::failed;
    const wchar_t *name, *uri;
    UINT name_length, uri_length;
    if (FAILED(reader->GetLocalName(&name, &name_length)) ||
        FAILED(reader->GetNamespaceUri(&uri, &uri_length)))
        return Step::failed;
    Element& element = walk->open[walk->depth++];
    const UINT kept = name_length < 48 ? name_length : 0;  // a longer name is none of ours
    std::wmemcpy(element.name, name, kept);
    element.name[kept] = 0;
    element.expected_namespace = expected ? same(uri, uri_length, expected) : true;
    element.owner = -1;
    walk->empty_open = reader->IsEmptyElement() != FALSE;
    return Step::element;
}

bool is(const Walk& walk, int from_top, const wchar_t* name) {
    const int at = walk.depth - 1 - from_top;
    return at >= 0 && walk.open[at].expected_namespace && std::wcscmp(walk.open[at].name, name) == 0;
}

// ---- Device descriptions

constexpr int devices_max = 16;
constexpr int all_services_max = 32;

struct Device {
    int parent;
    char udn[router_text_size];
    char friendly_name[router_text_size];
};

struct Service {
    int device;
    char type[router_text_size];
    char id[router_text_size];
    char control_url[router_text_size];
};

struct Description {
    char url_base[router_text_size];
    Device devices[devices_max];
    int device_count;
    Service services[all_services_max];
    int service_count;
};

// The field that text inside the innermost element goes to, or null.
char* field_of(Walk& walk, Description& d) {
    if (walk.depth == 2 && is(walk, 0, L"URLBase") && is(walk, 1, L"root")) return d.url_base;
    if (is(walk, 1, L"device") && walk.open[walk.depth - 2].owner >= 0) {
        Device& device = d.devices[walk.open[walk.depth - 2].owner];
        if (is(walk, 0, L"UDN")) return device.udn;
        if (is(walk, 0, L"friendlyName")) return device.friendly_name;
    }
    if (is(walk, 1, L"service") && walk.open[walk.depth - 2].owner >= 0) {
        Service& service = d.services[walk.open[walk.depth - 2].owner];
        if (is(walk, 0, L"serviceType")) return service.type;
        if (is(walk, 0, L"serviceId")) return service.id;
        if (is(walk, 0, L"controlURL")) return service.control_url;
    }
    return nullptr;
}

// The device of the innermost open `device` element at or below `at`, or -1.
int enclosing_device(const Walk& walk, int at) {
    for (; at >= 0; --at) {
        if (walk.open[at].expected_namespace && std::wcscmp(walk.open[at].name, L"device") == 0)
            return walk.open[at].owner;
    }
    return -1;
}

bool opened_element(Walk& walk, Description& d) {
    Element& element = walk.open[walk.depth - 1];
    if (walk.depth == 1) return is(walk, 0, L"root");
    if (is(walk, 0, L"device") && (is(walk, 1, L"root") || is(walk, 1, L"deviceList"))) {
        if (d.device_count == devices_max) return false;
        d.devices[d.device_count] = Device{enclosing_device(walk, walk.depth - 2), {}, {}};
        element.owner = d.device_count++;
    } else if (is(walk, 0, L"service") && is(walk, 1, L"serviceList") && is(walk, 2, L"device")) {
        if (d.service_count == all_services_max) return true;  // past what any router offers: not read
        d.services[d.service_count] = Service{walk.open[walk.depth - 3].owner, {}, {}, {}};
        element.owner = d.service_count++;
    }
    return true;
}

bool within(const Description& d, int device, int ancestor) {
    for (; device >= 0; device = d.devices[device].parent) {
        if (device == ancestor) return true;
    }
    return false;
}

bool is_connection_type(const char* type) {
    return std::strcmp(type, "urn:schemas-upnp-org:service:WANIPConnection:1") == 0 ||
           std::strcmp(type, "urn:schemas-upnp-org:service:WANIPConnection:2") == 0 ||
           std::strcmp(type, "urn:schemas-upnp-org:service:WANPPPConnection:1") == 0;
}

// A field's text without the blanks and line ends that pretty-printed
// descriptions put around it.
void copy_field(char (&to)[router_text_size], const char* from) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (blank(*from)) ++from;
    std::size_t length = std::strlen(from);
    while (length > 0 && blank(from[length - 1])) --length;
    std::snprintf(to, sizeof to, "%.*s", static_cast<int>(length), from);
}

// The counters' services, each with its WAN device's connection service.
void list_wan_services(const Description& d, UpnpDescription* found) {
    for (int i = 0; i < d.service_count && found->count < upnp_services_max; ++i) {
        const Service& common = d.services[i];
        if (std::strcmp(common.type, wan_common_service_type) != 0 || common.device < 0) continue;
        if (!common.id[0] || !common.control_url[0] || !d.devices[common.device].udn[0]) continue;
        UpnpWanService& out = found->services[found->count++];
        out = UpnpWanService{};
        copy_field(out.udn, d.devices[common.device].udn);
        copy_field(out.friendly_name, d.devices[0].friendly_name);
        copy_field(out.service_id, common.id);
        copy_field(out.control_url, common.control_url);
        for (int j = 0; j < d.service_count; ++j) {
            const Service& connection = d.services[j];
            if (is_connection_type(connection.type) && connection.control_url[0] &&
                within(d, connection.device, common.device)) {
                copy_field(out.connection_type, connection.type);
                copy_field(out.connection_control_url, connection.control_url);
                break;
            }
        }
    }
}

}  // namespace

bool read_upnp_description(const char* bytes, std::size_t size, UpnpDescription* description) {
    ComGuard<IXmlReader> reader = open_reader(bytes, size, upnp_description_size_max);
    if (!reader.get()) return false;
    auto d = std::make_unique<Description>();
    Walk walk{};
    for (;;) {
        const wchar_t* text;
        UINT length;
        switch (next(reader.get(), &walk, device_namespace, &text, &length)) {
            case Step::element:
                if (!opened_element(walk, *d)) return false;
                break;
            case Step::text:
                if (char* field = field_of(walk, *d)) {
                    if (!append_text(text, length, field, router_text_size)) return false;
                }
                break;
            case Step::end:
            case Step::other:
                break;
            case Step::done:
                if (d->device_count == 0) return false;
                *description = UpnpDescription{};
                copy_field(description->url_base, d->url_base);
                list_wan_services(*d, description);
                return true;
            case Step::failed:
                return false;
        }
    }
}

// ---- SOAP answers

namespace {

void describe_fault(const char* code, const char* words, char (&fault)[128]) {
    if (code[0])
        std::snprintf(fault, sizeof fault, "UPnP error %s%s%s", code, words[0] ? ": " : "", words);
    else
        std::snprintf(fault, sizeof fault, "SOAP fault%s%s", words[0] ? ": " : "", words);
}

}  // namespace

bool read_soap_answer(const char* bytes, std::size_t size, const char* service_type, const char* action,
                      const char* const* names, int count, SoapAnswer* answer) {
    *answer = SoapAnswer{};
    ComGuard<IXmlReader> reader = open_reader(bytes, size, soap_answer_size_max);
    if (!reader.get() || count > soap_values_max) return false;
    // Element names are kept up to 47 characters: longer actions are none of ours.
    wchar_t service[router_text_size], response[48];
    const int action_length = MultiByteToWideChar(CP_ACP, 0, action, -1, response, 48 - 8);
    if (!MultiByteToWideChar(CP_ACP, 0, service_type, -1, service, router_text_size) || action_length == 0)
        return false;
    std::wmemcpy(response + action_length - 1, L"Response", 9);
    Walk walk{};
    bool found[soap_values_max] = {};
    bool in_response = false, in_fault = false;
    char code[16] = "", words[96] = "", fault_string[96] = "";
    for (;;) {
        const wchar_t* text;
        UINT length;
        const Step step = next(reader.get(), &walk, nullptr, &text, &length);
        if (step == Step::failed) return false;
        if (step == Step::done) break;
        if (step == Step::other || step == Step::end) continue;
        // Which namespace each level must have: the envelope's, then the service's.
        if (step == Step::element) {
            Element& top = walk.open[walk.depth - 1];
            const wchar_t* uri;
            UINT uri_length;
            if (FAILED(reader.get()->GetNamespaceUri(&uri, &uri_length))) return false;
            const bool envelope = same(uri, uri_length, envelope_namespace);
            if (walk.depth == 1) top.expected_namespace = envelope && std::wcscmp(top.name, L"Envelope") == 0;
            if (walk.depth == 2)
                top.expected_namespace =
                    envelope && is(walk, 1, L"Envelope") && std::wcscmp(top.name, L"Body") == 0;
            if (walk.depth == 3 && is(walk, 1, L"Body")) {
                in_response = same(uri, uri_length, service) && std::wcscmp(top.name, response) == 0;
                in_fault = envelope && std::wcscmp(top.name, L"Fault") == 0;
                top.expected_namespace = in_response || in_fault;
            }
            if (walk.depth > 3)
                top.expected_namespace =
                    !in_fault || same(uri, uri_length, control_namespace) || uri_length == 0;
            continue;
        }
        // Text: an argument of the response, or a fault's code and words.
        if (walk.depth == 4 && in_response && is(walk, 1, response)) {
            for (int i = 0; i < count; ++i) {
                wchar_t wide[soap_value_size];
                if (!MultiByteToWideChar(CP_ACP, 0, names[i], -1, wide, soap_value_size)) continue;
                if (is(walk, 0, wide)) {
                    if (!append_text(text, length, answer->values[i], soap_value_size)) return false;
                    found[i] = true;
                }
            }
        } else if (in_fault && walk.depth >= 4 && is(walk, 0, L"errorCode")) {
            if (!append_text(text, length, code, sizeof code)) return false;
        } else if (in_fault && walk.depth >= 4 && is(walk, 0, L"errorDescription")) {
            if (!append_text(text, length, words, sizeof words)) return false;
        } else if (in_fault && walk.depth == 4 && is(walk, 0, L"faultstring")) {
            append_text(text, length, fault_string, sizeof fault_string);
        }
    }
    if (in_fault) {
        describe_fault(code, words[0] ? words : fault_string, answer->fault);
        return false;
    }
    for (int i = 0; i < count; ++i) {
        if (!found[i]) return false;
    }
    return true;
}
