// Host names and addresses: the machine's name, name-to-address and address-to-name lookup over
// the resolver, and dotted addresses.
#include <arpa/inet.h>
#include <array>
#include <cstring>
#include <netdb.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

#include "platform/kernel/kernel_testing.h"
#include "platform/net/net_internal.h"

namespace pf {
namespace {

// The thread's last lookup answer, which the returned entry points into.
struct LookupAnswer {
  std::string name;
  std::vector<std::array<char, 4>> addresses;
  std::vector<char*> addressList;
  HostEntry entry{};
};

const HostEntry* Publish(LookupAnswer* answer) {
  answer->addressList.clear();
  for (auto& address : answer->addresses) answer->addressList.push_back(address.data());
  answer->addressList.push_back(nullptr);
  answer->entry = HostEntry{answer->name.c_str(), kAddressFamilyInet, 4, answer->addressList.data()};
  return &answer->entry;
}

bool Started() {
  std::lock_guard<std::mutex> lock(net::Sockets().mutex);
  if (net::Sockets().startups != 0) return true;
  net::SetLastError(WSANOTINITIALISED);
  return false;
}

thread_local LookupAnswer t_answer;

}  // namespace

int GetHostName(char* name, int length) {
  if (!Started()) return kSocketError;
  if (name == nullptr || length <= 0 || ::gethostname(name, static_cast<std::size_t>(length)) != 0) {
    net::SetLastError(WSAEFAULT);
    return kSocketError;
  }
  name[length - 1] = '\0';
  return 0;
}

const HostEntry* GetHostByName(const char* name) {
  if (!Started()) return nullptr;
  if (name == nullptr || testing::ShouldFail("gethostbyname")) {
    net::SetLastError(WSAHOST_NOT_FOUND);
    return nullptr;
  }
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_CANONNAME;
  addrinfo* found = nullptr;
  if (::getaddrinfo(name, nullptr, &hints, &found) != 0 || found == nullptr) {
    net::SetLastError(WSAHOST_NOT_FOUND);
    return nullptr;
  }
  t_answer.name = found->ai_canonname != nullptr ? found->ai_canonname : name;
  t_answer.addresses.clear();
  for (addrinfo* a = found; a != nullptr; a = a->ai_next) {
    std::array<char, 4> bytes{};
    std::memcpy(bytes.data(), &reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr, 4);
    bool seen = false;
    for (const auto& known : t_answer.addresses) seen = seen || known == bytes;
    if (!seen) t_answer.addresses.push_back(bytes);
  }
  ::freeaddrinfo(found);
  return Publish(&t_answer);
}

const HostEntry* GetHostByAddr(const char* address, int length, int type) {
  if (!Started()) return nullptr;
  if (address == nullptr || length != 4 || type != kAddressFamilyInet) {
    net::SetLastError(WSAEFAULT);
    return nullptr;
  }
  sockaddr_in target{};
  target.sin_family = AF_INET;
  std::memcpy(&target.sin_addr, address, 4);
  char name[NI_MAXHOST];
  if (::getnameinfo(reinterpret_cast<const sockaddr*>(&target), sizeof target, name, sizeof name, nullptr, 0,
                    NI_NAMEREQD) != 0) {
    net::SetLastError(WSANO_DATA);
    return nullptr;
  }
  t_answer.name = name;
  t_answer.addresses.assign(1, std::array<char, 4>{address[0], address[1], address[2], address[3]});
  return Publish(&t_answer);
}

std::uint32_t InetAddr(const char* dotted) {
  in_addr parsed{};
  if (dotted == nullptr || ::inet_pton(AF_INET, dotted, &parsed) != 1) return kInvalidAddress;
  std::uint32_t value;
  std::memcpy(&value, &parsed, 4);
  return value;
}

}  // namespace pf
