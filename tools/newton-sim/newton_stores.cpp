#include "newton_stores.h"

#include "base/unicode.h"
#include "nsof/nsof.h"
#include "sim_objects.h"

namespace zd::sim {

void GiveDefaults(SimSoup& soup) {
    // Its entries indexed by their time, and information that says who it
    // is, as a Newton's own soups have.
    if (soup.indexes.empty()) {
        soup.indexes = nsof::Encode(List({Frame({{"structure", Sym("slot")},
                                                 {"path", Sym("_modTime")},
                                                 {"type", Sym("int")},
                                                 {"index", Int(1)}})}));
    }
    if (soup.info.empty()) {
        soup.info = nsof::Encode(Frame({{"name", Str(soup.name)},
                                        {"signature", Int(soup.signature)},
                                        {"soupVersion", Int(2)}}));
    }
}

SimNewton::SimNewton(std::vector<SimStore> held) : stores(std::move(held)) {
    for (SimStore& each : stores)
        for (SimSoup& one : each.soups) GiveDefaults(one);
}

SimStore* SimNewton::StoreNamed(const std::string& frame) {
    const nsof::Decoded named = nsof::Decode(frame);
    const nsof::Value* name = named.value ? named.value->Find("name") : nullptr;
    const nsof::String* text = name ? name->As<nsof::String>() : nullptr;
    for (SimStore& each : stores)
        if (text && text->text == each.name) return &each;
    return nullptr;
}

SimSoup* SimNewton::SoupNamed(const std::string& name) {
    const std::string wanted = Utf16BeToUtf8(name);
    if (!store) return nullptr;
    for (SimSoup& each : store->soups)
        if (each.name == wanted) return &each;
    return nullptr;
}

}  // namespace zd::sim
