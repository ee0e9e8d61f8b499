// What the simulated Newton keeps: stores, each with soups of entries, every
// entry a stream of the Newton's objects as it would hand it out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zd::sim {

struct SimSoup {
    std::string name;
    int32_t signature = 0;
    std::vector<std::string> entries;
};

struct SimStore {
    std::string name;
    std::string kind;
    int32_t signature = 0;
    std::vector<SimSoup> soups;
    bool garbled = false;  // the names of its soups come as garbage
};

}  // namespace zd::sim
