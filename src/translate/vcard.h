// A card of the Newton's Names as a vCard 3.0 (RFC 2426), the version
// address books import best: name parts, job title, company, every address,
// phone, pager, e-mail and web address, birthday, anniversary, the card's
// notes and its folder; escaped, folded at 75 octets, with CRLF line ends.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "nsof/nsof.h"
#include "translate/newton_text.h"

namespace zd {

// The vCard of Names entry `entry` from the store of signature `store`;
// nullopt, with the reason in `*why`, when the entry is no frame.
std::optional<Translated> CardAsVCard(const nsof::Value& entry, int32_t store, std::string* why);

}  // namespace zd
