// Items of random sizes pushed both ways between the headless program and
// newton-sim over a line that damages frames, every one checked byte for byte
// after the character conversion.  ZD_SOAK_ITEMS sets how many items go each
// way at each damage rate: a handful in the suite, hundreds in `make soak`.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <regex>

#include "support/subprocess.h"
#include "support/temp_dir.h"
#include "transfer/charset.h"
#include "transfer/text_files.h"

namespace zd {
namespace {

constexpr size_t kMaxItemBytes = 64 * 1024;
constexpr const char* kRetransmitMs = "50";  // both ends, so damage costs little time

size_t ItemsEachWay() {
    const char* value = std::getenv("ZD_SOAK_ITEMS");
    const long items = value ? std::strtol(value, nullptr, 10) : 0;
    return items > 0 ? static_cast<size_t>(items) : 30;
}

// Every byte but the EOT that ends an item, or now and then a Mac OS Roman
// text with its line ends, as a Newton note holds them.
std::string RandomItem(std::mt19937_64& random) {
    const size_t size = std::uniform_int_distribution<size_t>(0, kMaxItemBytes)(random);
    std::string item;
    item.reserve(size);
    if (random() % 4 == 0) {
        const std::string note = "R\x8Aksm\x9Arg\x8Cs \xA5 caf\x8E \xC3 na\x96ve\r";
        while (item.size() < size) item += note;
        item.resize(size);
        return item;
    }
    std::uniform_int_distribution<int> byte(0, 254);
    while (item.size() < size) {
        const int b = byte(random);
        item += static_cast<char>(b >= 4 ? b + 1 : b);
    }
    return item;
}

// The file a pushed item lands in: UTF-8.
std::string AsReceived(const std::string& sent) {
    std::string text;
    for (char byte : sent) text += ConvertFromNewton(byte);
    return text;
}

// What the Newton catches of a file of random bytes: read as code page 1252,
// since they are no UTF-8, then converted.
std::string AsSent(const std::string& file) {
    size_t replaced = 0;
    Unsendable unsendable;
    return ConvertToNewton(FromFileBytes(file, FileCharset::kUtf8, &replaced), &unsendable);
}

struct Tally {
    size_t sent = 0, intact = 0, lost = 0, corrupted = 0;

    void Check(const std::string& path, const std::string& expected) {
        ++sent;
        if (!std::filesystem::exists(path)) {
            ++lost;
        } else if (test::ReadFile(path) == expected) {
            ++intact;
        } else {
            ++corrupted;
        }
    }
};

class SoakTest : public ::testing::TestWithParam<const char* /* damage rate */> {
protected:
    void SetUp() override { ::setenv("ZD_MNP_RETRANSMIT_MS", kRetransmitMs, 1); }
    void TearDown() override { ::unsetenv("ZD_MNP_RETRANSMIT_MS"); }

    test::TempDir dir;
};

TEST_P(SoakTest, EveryItemArrivesWholeBothWays) {
    const size_t items = ItemsEachWay();
    std::mt19937_64 random(20261209);
    const std::string in = dir.File("in");
    std::filesystem::create_directories(in);

    std::vector<std::string> sim = {
        NEWTON_SIM, "--pty",           "--corrupt",   GetParam(),  "--drop", GetParam(), "--seed",
        "7",        "--retransmit-ms", kRetransmitMs, "--timeout", "60",     "--greet"};
    std::vector<std::string> toDesktop, toNewton;
    for (size_t i = 0; i < items; ++i) {
        const std::string name = "Soak" + std::to_string(i);
        toDesktop.push_back(RandomItem(random));
        test::WriteFile(dir.File("push" + std::to_string(i)), toDesktop.back());
        sim.insert(sim.end(), {"--push", name, dir.File("push" + std::to_string(i))});
    }
    for (size_t i = 0; i < items; ++i) {
        toNewton.push_back(RandomItem(random));
        test::WriteFile(dir.File("send" + std::to_string(i)), toNewton.back());
        sim.insert(sim.end(), {"--catch", dir.File("caught" + std::to_string(i))});
    }
    sim.push_back("--await-bye");

    test::Subprocess newton(sim);
    const std::string pty = test::WaitForSimPty(newton);
    ASSERT_FALSE(pty.empty()) << newton.err();
    test::WriteFile(dir.File("z.INI"), "[Prefs Section]\nport=0\nSerial0=" + pty +
                                           "\nSaveAsFile=1\nURL=0\nDir=" + in + "\n");
    test::Subprocess program({ZD_PROGRAM, "--headless", "--ini", dir.File("z.INI")});
    program.Write("listen\n");
    ASSERT_TRUE(program.WaitForStdout("ZD is now working.\n", 10000)) << program.out();

    const int perItemMs = 20000;
    for (size_t i = 0; i < items; ++i) {
        if (!program.WaitForStdout("Text Saved\n", perItemMs, i + 1)) break;
    }
    for (size_t i = 0; i < items; ++i) {
        program.Write("send " + dir.File("send" + std::to_string(i)) + "\n");
        if (!newton.WaitForStderr("newton-sim: caught", perItemMs, i + 1)) break;
    }
    program.Write("disconnect\n");
    EXPECT_EQ(newton.WaitForExit(20000), 0) << newton.err();
    program.Write("quit\n");
    EXPECT_EQ(program.WaitForExit(), 0);

    Tally received, caught;
    for (size_t i = 0; i < items; ++i) {
        received.Check(in + "/Soak" + std::to_string(i) + ".txt", AsReceived(toDesktop[i]));
        caught.Check(dir.File("caught" + std::to_string(i)), AsSent(toNewton[i]));
    }
    std::smatch summary;
    const std::regex figures(
        "retransmissions (\\d+).*line damage: (\\d+) corrupted, (\\d+) dropped");
    std::regex_search(newton.err(), summary, figures);
    std::printf(
        "soak at %s damage: to the desktop %zu sent, %zu intact, %zu lost, %zu corrupted; "
        "to the Newton %zu sent, %zu intact, %zu lost, %zu corrupted; frames damaged %s, "
        "lost %s, resent by newton-sim %s\n",
        GetParam(), received.sent, received.intact, received.lost, received.corrupted, caught.sent,
        caught.intact, caught.lost, caught.corrupted, summary[2].str().c_str(),
        summary[3].str().c_str(), summary[1].str().c_str());
    EXPECT_EQ(received.intact, items) << program.out();
    EXPECT_EQ(caught.intact, items) << newton.err();
}

INSTANTIATE_TEST_SUITE_P(DamagedLines, SoakTest, ::testing::Values("0.001", "0.01"),
                         [](const auto& info) { return info.index == 0 ? "Light" : "Heavy"; });

}  // namespace
}  // namespace zd
