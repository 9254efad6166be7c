#include "e2e_support.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kovra::e2e {

UdpSink::UdpSink() {
    fd_ = ::socket(AF_INET, SOCK_DGRAM, 0);
    const int size = 4 << 20;
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    timeval tick{0, 100000};
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &tick, sizeof tick);
    thread_ = std::thread([this] {
        char buffer[2048];
        while (!stop_) {
            const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
            if (n > 0) {
                const std::lock_guard lock(mutex_);
                datagrams_.emplace_back(buffer, static_cast<std::size_t>(n));
            }
        }
    });
}

UdpSink::~UdpSink() {
    if (!stop_.exchange(true)) {
        thread_.join();
    }
    ::close(fd_);
}

std::vector<std::string> UdpSink::datagrams() {
    const std::lock_guard lock(mutex_);
    return datagrams_;
}

std::vector<std::string> UdpSink::datagramsAfterExit() {
    if (!stop_.exchange(true)) {
        thread_.join();
    }
    char buffer[2048];
    for (;;) {
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n < 0) {
            break;
        }
        datagrams_.emplace_back(buffer, static_cast<std::size_t>(n));
    }
    return datagrams_;
}

int freePort() {
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    ::close(fd);
    return ntohs(addr.sin_port);
}

std::string eventText(const std::string& datagram) {
    if (datagram.rfind("&&", 0) != 0) {
        return {};
    }
    const auto at = datagram.find('@');
    return at == std::string::npos ? std::string() : datagram.substr(2, at - 2);
}

}  // namespace kovra::e2e
