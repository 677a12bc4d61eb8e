#pragma once
// Ports for servers that a test starts: one that is free, and whether
// something listens on one.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>

namespace fieldsync::test {

// A TCP port that is free now on every local address and that no other
// test process of this machine is given while this one lives. It lies
// between 20000 and 31999: it fits the branch row's 16-bit signed column, and
// stays clear of the ephemeral ports that outgoing connections take. The
// program under test binds the port itself (it reads it from the branch
// row), so the probing socket is closed again; what keeps the port is a lock
// on <temp>/fieldsync-ports/<port>.lock, held until the process ends. The
// Python tests' free_port (tests/e2e/harness.py) takes the same locks.
inline uint16_t FreePort() {
  static std::mt19937 random(std::random_device{}());
  const std::filesystem::path locks = std::filesystem::temp_directory_path() / "fieldsync-ports";
  std::error_code ec;
  if (std::filesystem::create_directory(locks, ec))
    std::filesystem::permissions(locks, std::filesystem::perms::all | std::filesystem::perms::sticky_bit, ec);
  for (;;) {
    const auto port = static_cast<uint16_t>(20000 + random() % 12000);
    const std::string lockFile = (locks / (std::to_string(port) + ".lock")).string();
    const int lock = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (lock < 0) throw std::runtime_error("cannot open " + lockFile);
    if (::flock(lock, LOCK_EX | LOCK_NB) != 0) {  // another test process has it
      ::close(lock);
      continue;
    }
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0) throw std::runtime_error("no socket for a free port");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    const bool free = ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(s);
    if (free) return port;  // the lock stays held: the descriptor is kept open
    ::close(lock);
  }
}

// Whether something accepts connections on the loopback port.
inline bool Listening(uint16_t port) {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  if (s < 0) return false;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool accepted = ::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(s);
  return accepted;
}

}  // namespace fieldsync::test
