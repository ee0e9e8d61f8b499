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
#include <tuple>

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

// A damage rate, and the MNP window the program offers (newton-sim offers 8,
// as a real Newton does).
class SoakTest : public ::testing::TestWithParam<std::tuple<const char*, int>> {
protected:
    void SetUp() override { ::setenv("ZD_MNP_RETRANSMIT_MS", kRetransmitMs, 1); }
    void TearDown() override { ::unsetenv("ZD_MNP_RETRANSMIT_MS"); }

    const char* damage() const { return std::get<0>(GetParam()); }
    std::string window() const { return std::to_string(std::get<1>(GetParam())); }

    // The headless program on the Newton's pseudo-terminal, items saved in `in`.
    std::unique_ptr<test::Subprocess> StartProgram(test::Subprocess& newton,
                                                   const std::string& in) {
        const std::string pty = test::WaitForSimPty(newton);
        EXPECT_FALSE(pty.empty()) << newton.err();
        test::WriteFile(dir.File("z.INI"), "[Prefs Section]\nport=0\nSerial0=" + pty +
                                               "\nSaveAsFile=1\nURL=0\nDir=" + in +
                                               "\nMnpWindow=" + window() + "\n");
        auto program = std::make_unique<test::Subprocess>(
            std::vector<std::string>{ZD_PROGRAM, "--headless", "--ini", dir.File("z.INI")});
        program->Write("listen\n");
        EXPECT_TRUE(program->WaitForStdout("ZD is now working.\n", 10000)) << program->out();
        return program;
    }

    test::TempDir dir;
};

TEST_P(SoakTest, EveryItemArrivesWholeBothWays) {
    const size_t items = ItemsEachWay();
    std::mt19937_64 random(20261209);
    const std::string in = dir.File("in");
    std::filesystem::create_directories(in);

    std::vector<std::string> sim = {
        NEWTON_SIM, "--pty",           "--corrupt",   damage(),    "--drop", damage(), "--seed",
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
    const auto started = StartProgram(newton, in);
    test::Subprocess& program = *started;

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
        "soak at %s damage, window %s: to the desktop %zu sent, %zu intact, %zu lost, %zu "
        "corrupted; "
        "to the Newton %zu sent, %zu intact, %zu lost, %zu corrupted; frames damaged %s, "
        "lost %s, resent by newton-sim %s\n",
        damage(), window().c_str(), received.sent, received.intact, received.lost,
        received.corrupted, caught.sent, caught.intact, caught.lost, caught.corrupted,
        summary[2].str().c_str(), summary[3].str().c_str(), summary[1].str().c_str());
    EXPECT_EQ(received.intact, items) << program.out();
    EXPECT_EQ(caught.intact, items) << newton.err();
}

// A whole mebibyte in one item each way, through the window.
class MebibyteTest : public SoakTest {};

TEST_P(MebibyteTest, OneItemEachWayArrivesWhole) {
    std::mt19937 random(1);
    std::string item(1 << 20, '\0');
    for (char& byte : item) byte = static_cast<char>('a' + random() % 26);
    test::WriteFile(dir.File("mebibyte"), item);
    const std::string in = dir.File("in");
    std::filesystem::create_directories(in);
    test::Subprocess newton({NEWTON_SIM, "--pty", "--corrupt", damage(), "--drop", damage(),
                             "--seed", "3", "--retransmit-ms", kRetransmitMs, "--timeout", "60",
                             "--greet", "--push", "Big", dir.File("mebibyte"), "--catch",
                             dir.File("caught"), "--await-bye"});
    const auto program = StartProgram(newton, in);
    ASSERT_TRUE(program->WaitForStdout("Text Saved\n", 60000)) << program->out();
    program->Write("send " + dir.File("mebibyte") + "\n");
    ASSERT_TRUE(newton.WaitForStderr("newton-sim: caught", 60000)) << newton.err();
    program->Write("disconnect\n");
    EXPECT_EQ(newton.WaitForExit(20000), 0) << newton.err();
    program->Write("quit\n");
    EXPECT_EQ(program->WaitForExit(), 0);
    EXPECT_TRUE(test::ReadFile(in + "/Big.txt") == item) << "to the desktop";
    EXPECT_TRUE(test::ReadFile(dir.File("caught")) == item) << "to the Newton";
}

std::string DamageAndWindowName(
    const ::testing::TestParamInfo<std::tuple<const char*, int>>& info) {
    return std::string(std::get<0>(info.param)[4] == '1' ? "Light" : "Heavy") + "K" +
           std::to_string(std::get<1>(info.param));
}

INSTANTIATE_TEST_SUITE_P(DamagedLines, SoakTest,
                         ::testing::Combine(::testing::Values("0.001", "0.01"),
                                            ::testing::Values(1, 8)),
                         DamageAndWindowName);
INSTANTIATE_TEST_SUITE_P(DamagedLines, MebibyteTest,
                         ::testing::Combine(::testing::Values("0.001", "0.01"),
                                            ::testing::Values(8)),
                         DamageAndWindowName);

}  // namespace
}  // namespace zd
