// The display of the console front end: the message log goes to standard
// output exactly as the log would receive it, with "\n" for each line end; the
// state and transit fields go to standard error as "Info: NAME" and
// "In transit: N" whenever they change.
#pragma once

#include <cstdio>
#include <string>

#include "base/display.h"

namespace zd {

class ConsoleDisplay final : public Display {
public:
    ConsoleDisplay(std::FILE* log, std::FILE* fields) : m_log(log), m_fields(fields) {}

    void ReplaceLogSelection(std::string_view text) override;
    void SetStateText(std::string_view text) override;
    void SetTransitText(std::string_view text) override;

private:
    std::FILE* m_log;
    std::FILE* m_fields;
    std::string m_state;
    std::string m_transit;
};

}  // namespace zd
