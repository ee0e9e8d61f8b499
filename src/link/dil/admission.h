// Who may use the network port: a caller from the machine itself (loopback)
// always; one from elsewhere only when its address is in the allowed list
// ("NetAllow": addresses and CIDR ranges, comma-separated) or the user lets
// it in.  Until then nothing it sends is read.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zd {

enum class Admission { kAllow, kRefuse, kUndecided };

// Decides on a caller from IPv4 `address` (dotted); kUndecided while the
// user is being asked.
using Admit = std::function<Admission(const std::string& address)>;
// The caller from `address` that was being decided on is gone: it left, or a
// Newton of this machine's took its place.
using Withdrawn = std::function<void(const std::string& address)>;

// True for 127.0.0.0/8.
bool IsLoopback(std::string_view address);

// True when `address` is one of `allowed` ("192.168.1.20, 10.0.0.0/8");
// entries that are no address or range are passed over.
bool InAllowList(std::string_view allowed, std::string_view address);
// The entries of `allowed` that are no address or range.
std::vector<std::string> MalformedEntries(std::string_view allowed);

}  // namespace zd
