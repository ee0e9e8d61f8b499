// Bytes that real Newtons (and real desktops talking to them) produced, kept
// in tests/data/real with their sources and licences in its README.
#pragma once

#include <string>
#include <vector>

namespace zd::test {

// The file `name` of tests/data/real ("nsof/newtonkit_sopt.nsof"), whole.
std::string RealBytes(const std::string& name);

// The same as a frame's bytes.
std::vector<uint8_t> RealFrame(const std::string& name);

}  // namespace zd::test
