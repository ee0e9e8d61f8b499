// What the simulated Newton keeps: stores, each with soups of entries, every
// entry a stream of the Newton's objects as it would hand it out.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace zd::sim {

struct SimSoup {
    SimSoup(std::string name, int32_t signature, std::vector<std::string> entries = {})
        : name(std::move(name)), signature(signature), entries(std::move(entries)) {}

    std::string name;
    int32_t signature = 0;
    std::vector<std::string> entries;
    std::string indexes;  // its index description ("indx"); "" until it is served
    std::string info;     // its information frame ("sinf"); "" until it is served
};

struct SimStore {
    std::string name;
    std::string kind;
    int32_t signature = 0;
    std::vector<SimSoup> soups;
    bool garbled = false;  // the names of its soups come as garbage
};

}  // namespace zd::sim
