#include "support/sim_newton.h"

#include <gtest/gtest.h>

#include "support/loopback.h"
#include "support/temp_dir.h"

namespace zd::test {

std::string LineName(Line line) {
    switch (line) {
        case Line::kSerial:
            return "Serial";
        case Line::kEmulator:
            return "EmulatorMnpOverTcp";
        case Line::kNetwork:
            return "NetworkPlainTcp";
    }
    return "";
}

SimNewton::SimNewton(Line line, std::vector<std::string> args, const std::string& ini,
                     const std::string& prefs) {
    m_argv = {NEWTON_SIM};
    if (line == Line::kSerial) {
        m_argv.push_back("--pty");
        m_argv.insert(m_argv.end(), args.begin(), args.end());
        m_process = std::make_unique<Subprocess>(m_argv);
        const std::string pty = WaitForSimPty(*m_process);
        EXPECT_FALSE(pty.empty()) << m_process->err();
        WriteFile(ini, "[Prefs Section]\nport=0\nSerial0=" + pty + "\n" + prefs);
        return;
    }
    m_port = std::to_string(FreeTcpPort());
    m_argv.insert(m_argv.end(), {line == Line::kEmulator ? "--emulator-tcp" : "--tcp", m_port});
    if (line == Line::kNetwork) m_argv.push_back("--plain");
    m_argv.insert(m_argv.end(), args.begin(), args.end());
    WriteFile(ini, "[Prefs Section]\nport=-1\nNetPort=" + m_port + "\n" + prefs);
}

bool SimNewton::ServesThePackageNext(Subprocess& program, const std::string& scratch) {
    WriteFile(scratch + "/next-note", "Gr\x9F\xA7 Gott");
    Subprocess package({NEWTON_SIM, "--tcp", m_port, "--plain", "--timeout", "20", "--greet",
                        "--push", "Note", scratch + "/next-note", "--bye"});
    const bool greeted = program.WaitForStdout("ZD is now working.\n", 15000);
    EXPECT_TRUE(greeted) << program.out();
    const int ended = package.WaitForExit(15000);
    EXPECT_EQ(ended, 0) << package.err();
    return greeted && ended == 0;
}

void SimNewton::StartWhenListening(Subprocess& program) {
    if (m_process) return;
    ASSERT_TRUE(program.WaitForStderr("Info: Listening\n")) << program.err();
    m_process = std::make_unique<Subprocess>(m_argv);
}

std::unique_ptr<Subprocess> SimNewton::StartConnectedProgram(const std::string& ini,
                                                             const std::vector<std::string>& args) {
    std::vector<std::string> argv{ZD_PROGRAM, "--headless", "--ini", ini};
    argv.insert(argv.end(), args.begin(), args.end());
    auto program = std::make_unique<Subprocess>(argv);
    program->Write("listen\n");
    StartWhenListening(*program);
    EXPECT_TRUE(program->WaitForStdout(kConnectionReady, 15000))
        << program->out() << program->err();
    return program;
}

}  // namespace zd::test
