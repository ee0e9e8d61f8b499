// What the simulated Newton keeps: stores, each with soups of entries, every
// entry a stream of the Newton's objects as it would hand it out; and the
// store and soup a desktop set last.  What a desktop writes stays for the
// next connection.
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

// Gives `soup` the indexes and information of a Newton's own soups, where
// it has none.
void GiveDefaults(SimSoup& soup);

struct SimNewton {
    // `stores`, each soup given indexes and information where it has none.
    explicit SimNewton(std::vector<SimStore> stores);

    // The store a store frame names, or null.
    SimStore* StoreNamed(const std::string& frame);
    // The soup of the store set that UTF-16 `name` (with its zero) names, or null.
    SimSoup* SoupNamed(const std::string& name);

    std::vector<SimStore> stores;
    SimStore* store = nullptr;
    SimSoup* soup = nullptr;
};

}  // namespace zd::sim
