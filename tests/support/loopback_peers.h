// Scripted peers on the loopback, each on a thread of its own, for the
// router's reader to talk to: an HTTP server and a UDP responder.
#pragma once

#include <winsock2.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// Answers each request (its request line, headers and body) with the bytes
// `answer` gives; an empty answer is never given: the connection stays open,
// silent, until the peer goes. An answer that begins with trickle_mark comes
// a byte every half second.
class HttpPeer {
public:
    explicit HttpPeer(std::function<std::string(const std::string& request)> answer);
    ~HttpPeer();
    std::uint16_t port() const { return port_; }
    std::vector<std::string> requests();

private:
    void serve();
    std::function<std::string(const std::string&)> answer_;
    SOCKET listener_;
    std::uint16_t port_;
    std::atomic<bool> ending_{false};
    std::mutex lock_;
    std::vector<std::string> requests_;
    std::vector<std::thread> trickles_;
    std::thread thread_;
};

constexpr char trickle_mark = '\x01';

// Answers each datagram with the ones `answer` gives, each from the port the
// datagram came to (false) or from another one (true): Wine binds no socket
// to another loopback address.
class UdpPeer {
public:
    using Answers = std::vector<std::pair<bool, std::string>>;
    explicit UdpPeer(std::function<Answers(const std::string& datagram)> answer,
                     const char* address = "127.0.0.1");
    ~UdpPeer();
    std::uint16_t port() const { return port_; }

private:
    std::function<Answers(const std::string&)> answer_;
    SOCKET socket_, other_;
    std::uint16_t port_;
    std::atomic<bool> ending_{false};
    std::thread thread_;
};

// An HTTP answer with `status` and `body`.
std::string http_answer(int status, const std::string& body, const std::string& headers = "");
