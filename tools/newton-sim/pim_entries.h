// The Newton's Names, Dates and To Do as Newton OS 2 keeps them, in Swedish,
// French and German: cards of every kind with their phones as strings of
// their kinds' classes, meetings and events, repeats of every type with a
// deleted and a changed instance and alarms, and a day of tasks; on the
// internal store and on a card.  `many` adds that many more cards and
// meetings, for the benchmark.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "newton_stores.h"

namespace zd::sim {

// Adds the soups to `stores`: the first is the internal store; a second (a
// card named `cardName`) is made where there is none.  `firstTaskDeleted`:
// its user has deleted the first task of the day that has two.
void AddPersonalData(std::vector<SimStore>& stores, const std::string& cardName, size_t many,
                     bool firstTaskDeleted);

// An installed package: the name the Packages soup gives it, and its bytes.
struct SimPackage {
    std::string name;
    std::string bytes;
};

// Adds to the internal store a Packages soup holding `packages`, each as a
// large binary, and a soup of a third party's program.
void AddPackagesAndMore(std::vector<SimStore>& stores, const std::vector<SimPackage>& packages);

}  // namespace zd::sim
