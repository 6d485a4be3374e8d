// Hostile but ordinary clients for bench/skore_load.sh, and the honest one
// beside them.
//
//   skore_clients PORT COUNT slow|idle|silent SECONDS [PER_ADDRESS]
//   skore_clients PORT 0 honest SECONDS
//
// slow: a request head begun and one field line a second, never finished;
// idle: one page read, then silence, as a browser leaves its keep-alive
// connection (both from 127.0.x.2 on, ten an address: under the server's cap
// of 16); silent: connections that never send a byte, PER_ADDRESS (10) from
// each of 127.0.10.1, 127.0.10.2, ... (Linux routes all of 127/8 to lo). A
// connection the server closes is opened again, so the count stays up for
// the whole run. honest: one page after another from 127.0.0.1, each on a
// new connection, timed from connect to the last byte of the reply.
#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/resource.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr const char *kPage = "GET /skore HTTP/1.1\r\nHost: skore\r\n\r\n";

int connectFrom(const std::string &from, int port, bool blocking) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | (blocking ? 0 : SOCK_NONBLOCK), 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    inet_pton(AF_INET, from.c_str(), &address.sin_addr);
    ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
    address.sin_port = htons(static_cast<unsigned short>(port));
    inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
    ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
    return fd;
}

int open(int port, int index, const std::string &mode, int perAddress) {
    if (mode == "silent") {
        const int a = index / perAddress;
        return connectFrom("127.0." + std::to_string(10 + a / 250) + "." +
                               std::to_string(1 + a % 250),
                           port, false);
    }
    const bool slow = mode == "slow";
    const int fd = connectFrom("127.0." + std::to_string(1 + index / 2500) + "." +
                                   std::to_string(2 + index / 10 % 250),
                               port, false);
    pollfd ready{fd, POLLOUT, 0};
    ::poll(&ready, 1, 1000);
    const char *first = slow ? "GET /skore HTTP/1.1\r\nHost: skore\r\n" : kPage;
    ::send(fd, first, std::strlen(first), MSG_NOSIGNAL);
    return fd;
}

// One page on a new connection: its status (0: none within 5 s) and time.
int honestPage(int port, double *ms) {
    const Clock::time_point start = Clock::now();
    const int fd = connectFrom("127.0.0.1", port, true);
    timeval wait{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    ::send(fd, kPage, std::strlen(kPage), MSG_NOSIGNAL);
    std::string in;
    char buffer[65536];
    int status = 0;
    for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;) {
        in.append(buffer, std::size_t(n));
        const std::size_t end = in.find("\r\n\r\n");
        const std::size_t length = in.find("Content-Length: ");
        if (end == std::string::npos || length == std::string::npos)
            continue;
        if (in.size() >= end + 4 + std::stoul(in.substr(length + 16))) {
            status = std::atoi(in.c_str() + 9);
            break;
        }
    }
    ::close(fd);
    *ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    return status;
}

int honest(int port, Clock::time_point end) {
    std::vector<double> times;
    int failed = 0;
    while (Clock::now() < end) {
        double ms = 0;
        if (honestPage(port, &ms) != 200)
            ++failed;
        times.push_back(ms);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::sort(times.begin(), times.end());
    const auto at = [&](double q) { return times[std::size_t(q * double(times.size() - 1))]; };
    std::printf("honest client, a new connection a page: %zu pages, %d not 200; median %.2f ms, "
                "p90 %.2f ms, p99 %.2f ms, max %.2f ms\n",
                times.size(), failed, at(0.5), at(0.9), at(0.99), times.back());
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 5 && argc != 6) {
        std::fprintf(stderr, "usage: %s PORT COUNT slow|idle|silent|honest SECONDS [PER_ADDRESS]\n",
                     argv[0]);
        return 2;
    }
    const int port = std::atoi(argv[1]);
    const int count = std::atoi(argv[2]);
    const std::string mode = argv[3];
    const auto end = Clock::now() + std::chrono::seconds(std::atoi(argv[4]));
    const int perAddress = argc == 6 ? std::max(1, std::atoi(argv[5])) : 10;
    if (mode == "honest")
        return honest(port, end);
    rlimit files{};
    getrlimit(RLIMIT_NOFILE, &files);
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);

    std::vector<int> fds;
    for (int i = 0; i < count; ++i)
        fds.push_back(open(port, i, mode, perAddress));
    long reopened = 0;
    char buffer[65536];
    while (Clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        for (int i = 0; i < count; ++i) {
            // Whatever the server sent is read (an idle client's page); a
            // closed connection is opened again.
            ssize_t n = 0;
            bool closed = false;
            while ((n = ::recv(fds[i], buffer, sizeof buffer, MSG_DONTWAIT)) > 0)
                ;
            closed = n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
            if (!closed && mode == "slow")
                closed = ::send(fds[i], "X-Slow: 1\r\n", 11, MSG_NOSIGNAL) < 0;
            if (closed) {
                ::close(fds[i]);
                fds[i] = open(port, i, mode, perAddress);
                ++reopened;
            }
        }
    }
    std::printf("%d %s connections held; %ld reopened after the server closed them\n", count,
                mode.c_str(), reopened);
    for (int fd : fds)
        ::close(fd);
    return 0;
}
