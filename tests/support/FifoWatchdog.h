#pragma once
// Should a reader wait on a FIFO after all, a writer comes and goes after a while, so the test fails
// instead of hanging.
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

class CFifoWatchdog {
public:
    explicit CFifoWatchdog(std::string path)
        : m_thread([this, path] {
              for (int i = 0; i < 50 && !m_done; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
              if (m_done) return;
              const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK);
              if (fd >= 0) ::close(fd);
          }) {}
    ~CFifoWatchdog() {
        m_done = true;
        m_thread.join();
    }

private:
    std::atomic<bool> m_done{false};
    std::thread m_thread;
};
