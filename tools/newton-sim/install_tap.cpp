#include "install_tap.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <vector>

#include "dock_talk.h"
#include "newton_words.h"
#include "nsof/nsof.h"
#include "sim_objects.h"

namespace zd::sim {
namespace {

struct Listed {
    std::string name;
    int32_t type = 0;
};

// The frames {name, type} of a "path" or "file" answer.
std::vector<Listed> Items(const std::string& data) {
    std::vector<Listed> items;
    const nsof::Decoded decoded = nsof::Decode(data);
    const nsof::Array* array = decoded.value ? decoded.value->As<nsof::Array>() : nullptr;
    for (size_t i = 0; array && i < array->elements.size(); ++i) {
        const nsof::Value* name = array->elements[i].Find("name");
        const nsof::Value* type = array->elements[i].Find("type");
        Listed item;
        if (name && name->As<nsof::String>()) item.name = name->As<nsof::String>()->text;
        if (type && type->As<int32_t>()) item.type = *type->As<int32_t>();
        items.push_back(item);
    }
    return items;
}

std::vector<std::string> Split(const std::string& steps) {
    std::vector<std::string> parts;
    size_t begin = 0;
    for (size_t slash; (slash = steps.find('/', begin)) != std::string::npos; begin = slash + 1)
        parts.push_back(steps.substr(begin, slash - begin));
    parts.push_back(steps.substr(begin));
    return parts;
}

// Sends `command` with `data` and takes the answer, which should be
// `expected`; a "dres" in its place is said.  nullopt where the link failed.
std::optional<dock::Message> Ask(Conversation& c, std::string_view command, const std::string& data,
                                 std::string_view expected) {
    if (!SendMessage(c, command, data)) return std::nullopt;
    auto answer = ReceiveMessage(c);
    while (answer && answer->command == words::kHello) answer = ReceiveMessage(c);
    if (!answer) return std::nullopt;
    if (answer->command != expected) {
        const int32_t code = answer->command == words::kResult && answer->data.size() >= 4
                                 ? static_cast<int32_t>(dock::ReadBigEndian32(answer->data))
                                 : 0;
        std::fprintf(stderr, "newton-sim: the desktop answered \"%.4s\" with \"%s\" %d\n",
                     std::string(command).c_str(), answer->command.c_str(), code);
    }
    return answer;
}

std::string Kind(const Listed& item) {
    return item.type == 1 ? "file" : item.type == 3 ? "disk" : "folder";
}

}  // namespace

bool PlayInstallTap(Conversation& c, const InstallPlay& play) {
    // As a real MessagePad sends it: the symbol 'packages.
    const auto allowed =
        Ask(c, words::kRequestToBrowse, std::string("\x02\x07\x08packages", 11), words::kResult);
    if (!allowed) return false;
    if (dock::ReadBigEndian32(allowed->data) != 0) return true;
    const auto path = Ask(c, words::kGetDefaultPath, "", words::kPath);
    if (!path) return false;
    std::vector<std::string> levels;
    for (const Listed& level : Items(path->data)) levels.push_back(level.name);
    auto listing = Ask(c, words::kGetFilesAndFolders, "", words::kFilesAndFolders);
    if (!listing) return false;
    std::vector<Listed> shown = Items(listing->data);
    const std::vector<std::string> steps = Split(play.steps);
    for (size_t i = 0; i + 1 < steps.size(); ++i) {
        std::vector<std::string> next = levels;
        if (steps[i] == "..") {
            next.pop_back();
        } else if (steps[i] == "^") {
            next.resize(1);
        } else {
            next.push_back(steps[i]);
        }
        std::vector<nsof::Value> names;
        for (const std::string& name : next) names.push_back(Str(name));
        listing =
            Ask(c, words::kSetPath, nsof::Encode(List(std::move(names))), words::kFilesAndFolders);
        if (!listing) return false;
        if (listing->command != words::kFilesAndFolders) continue;
        levels = next;
        shown = Items(listing->data);
        std::string seen;
        for (const Listed& item : shown) seen += " " + Kind(item) + ":" + item.name;
        std::fprintf(stderr, "newton-sim: in %s:%s\n", levels.back().c_str(), seen.c_str());
    }
    const std::string& name = steps.back();
    const std::string nameObject = nsof::Encode(Str(name));
    const auto info = Ask(c, words::kGetFileInfo, nameObject, words::kFileInfo);
    if (!info) return false;
    if (info->command == words::kFileInfo) {
        const nsof::Decoded facts = nsof::Decode(info->data);
        const nsof::Value* kind = facts.value ? facts.value->Find("kind") : nullptr;
        const nsof::Value* size = facts.value ? facts.value->Find("size") : nullptr;
        std::fprintf(
            stderr, "newton-sim: %s is a %s of %d bytes\n", name.c_str(),
            kind && kind->As<nsof::String>() ? kind->As<nsof::String>()->text.c_str() : "?",
            size && size->As<int32_t>() ? *size->As<int32_t>() : -2);
    }
    const auto store = Ask(c, words::kLoadPackageFile, nameObject, words::kSetStoreToDefault);
    if (!store) return false;
    if (store->command != words::kSetStoreToDefault) return true;
    const auto package = Ask(c, words::kResult, dock::BigEndian32(0), words::kLoadPackage);
    if (!package) return false;
    if (package->command != words::kLoadPackage) return true;
    std::ofstream(play.folder + "/" + name, std::ios::binary) << package->data;
    std::fprintf(stderr, "newton-sim: installed %s, %zu bytes\n", name.c_str(),
                 package->data.size());
    return SendMessage(c, words::kResult, dock::BigEndian32(0));
}

}  // namespace zd::sim
