// A TCP listener on 127.0.0.1 that accepts every connection and never says a
// word: what a hung or wrong server looks like to a client. Header-only.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace zpk::test {

class SilentServer {
 public:
  // Listens on a free port; raises std::runtime_error when it cannot.
  SilentServer() {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(fd_, 16) != 0 || ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      if (fd_ >= 0) ::close(fd_);
      throw std::runtime_error("cannot listen on 127.0.0.1");
    }
    port_ = ntohs(address.sin_port);
    // Accepts and keeps every connection open, reading nothing, until the end.
    thread_ = std::thread([this] {
      while (!stop_) {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, 50) == 1) {
          const int c = ::accept(fd_, nullptr, nullptr);
          if (c >= 0) accepted_.push_back(c);
        }
      }
      for (int c : accepted_) ::close(c);
    });
  }
  ~SilentServer() {
    stop_ = true;
    thread_.join();
    ::close(fd_);
  }
  SilentServer(const SilentServer&) = delete;
  SilentServer& operator=(const SilentServer&) = delete;

  int port() const { return port_; }
  // "127.0.0.1/PORT:/path": a database location the client sends to this listener.
  std::string location(const std::string& path = "/x.fdb") const {
    return "127.0.0.1/" + std::to_string(port_) + ":" + path;
  }

 private:
  int fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::vector<int> accepted_;  // touched by the thread only
  std::thread thread_;
};

}  // namespace zpk::test
