#include "loopback_peers.h"

#include <ws2tcpip.h>

namespace {

SOCKET bound_socket(int type, const char* address, std::uint16_t* port) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET s = socket(AF_INET, type, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    inet_pton(AF_INET, address, &at.sin_addr);
    int size = sizeof at;
    bind(s, reinterpret_cast<sockaddr*>(&at), sizeof at);
    getsockname(s, reinterpret_cast<sockaddr*>(&at), &size);
    *port = ntohs(at.sin_port);
    return s;
}

bool readable(SOCKET s, int ms) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval wait{0, ms * 1000};
    return select(0, &set, nullptr, nullptr, &wait) == 1;
}

// A request whole: its headers and as much body as Content-Length says.
std::string read_request(SOCKET s) {
    std::string request;
    char block[4096];
    for (;;) {
        const std::size_t end = request.find("\r\n\r\n");
        if (end != std::string::npos) {
            const std::size_t length = request.find("Content-Length: ");
            const std::size_t body =
                length == std::string::npos ? 0 : std::stoul(request.substr(length + 16));
            if (request.size() >= end + 4 + body) return request;
        }
        if (!readable(s, 3000)) return request;
        const int got = recv(s, block, sizeof block, 0);
        if (got <= 0) return request;
        request.append(block, static_cast<std::size_t>(got));
    }
}

}  // namespace

HttpPeer::HttpPeer(std::function<std::string(const std::string&)> answer)
    : answer_(std::move(answer)), listener_(bound_socket(SOCK_STREAM, "127.0.0.1", &port_)) {
    listen(listener_, 8);
    thread_ = std::thread([this] { serve(); });
}

void HttpPeer::serve() {
    std::vector<SOCKET> silent;
    while (!ending_) {
        if (!readable(listener_, 50)) continue;
        SOCKET s = accept(listener_, nullptr, nullptr);
        const std::string request = read_request(s);
        {
            std::lock_guard<std::mutex> hold(lock_);
            requests_.push_back(request);
        }
        const std::string answer = answer_(request);
        if (answer.empty()) {
            silent.push_back(s);
            continue;
        }
        if (answer[0] == trickle_mark) {
            trickles_.emplace_back([this, s, answer] {
                for (std::size_t i = 1; i < answer.size() && !ending_ && send(s, &answer[i], 1, 0) == 1; ++i)
                    Sleep(500);
                closesocket(s);
            });
            continue;
        }
        for (std::size_t sent = 0; sent < answer.size();) {
            const int put = send(s, answer.data() + sent, static_cast<int>(answer.size() - sent), 0);
            if (put <= 0) break;
            sent += static_cast<std::size_t>(put);
        }
        shutdown(s, SD_SEND);
        closesocket(s);
    }
    for (SOCKET s : silent) closesocket(s);
    for (std::thread& trickle : trickles_) trickle.join();
}

HttpPeer::~HttpPeer() {
    ending_ = true;
    thread_.join();
    closesocket(listener_);
}

std::vector<std::string> HttpPeer::requests() {
    std::lock_guard<std::mutex> hold(lock_);
    return requests_;
}

UdpPeer::UdpPeer(std::function<Answers(const std::string&)> answer, const char* address)
    : answer_(std::move(answer)), socket_(bound_socket(SOCK_DGRAM, address, &port_)) {
    std::uint16_t other_port;
    other_ = bound_socket(SOCK_DGRAM, address, &other_port);
    thread_ = std::thread([this] {
        while (!ending_) {
            if (!readable(socket_, 50)) continue;
            char datagram[4096];
            sockaddr_in from{};
            int size = sizeof from;
            const int got =
                recvfrom(socket_, datagram, sizeof datagram, 0, reinterpret_cast<sockaddr*>(&from), &size);
            if (got <= 0) continue;
            for (const auto& [other, bytes] : answer_(std::string(datagram, static_cast<std::size_t>(got)))) {
                sendto(other ? other_ : socket_, bytes.data(), static_cast<int>(bytes.size()), 0,
                       reinterpret_cast<sockaddr*>(&from), size);
            }
        }
    });
}

UdpPeer::~UdpPeer() {
    ending_ = true;
    thread_.join();
    closesocket(socket_);
    closesocket(other_);
}

std::string http_answer(int status, const std::string& body, const std::string& headers) {
    return "HTTP/1.1 " + std::to_string(status) + " X\r\nContent-Type: text/xml\r\nConnection: close\r\n" +
           headers + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}
