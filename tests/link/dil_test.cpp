// The DIL's own promises: handles, reads with deadlines, and states.
#include "link/dil/dil.h"

#include <gtest/gtest.h>

#include "link/dil/memory_transport.h"
#include "support/fake_clock.h"

namespace zd {
namespace {

class DilTest : public ::testing::Test {
protected:
    DilTest() {
        DilOptions options;
        options.transportFactory = [this](const PipeRequest&) {
            return std::make_unique<MemoryTransport>(newton);
        };
        dil = std::make_unique<Dil>(clock, options);
        dil->CD_Startup();
    }

    // A pipe whose Newton has connected and been accepted.
    CD_Handle ConnectedPipe() {
        CD_Handle pipe = 0;
        EXPECT_EQ(dil->CD_CreateADSP(&pipe, nullptr, "Zandorelle"), kDilOk);
        EXPECT_EQ(dil->CD_StartListening(pipe), kDilOk);
        newton->Connect();
        EXPECT_EQ(dil->CD_Accept(pipe), kDilOk);
        EXPECT_EQ(dil->CD_GetState(pipe), kStateConnected);
        return pipe;
    }

    test::FakeClock clock;
    std::shared_ptr<MemoryPeer> newton = std::make_shared<MemoryPeer>();
    std::unique_ptr<Dil> dil;
};

TEST_F(DilTest, CallsOnNoPipeOrADisposedPipeFailWithoutHarm) {
    const CD_Handle pipe = ConnectedPipe();
    ASSERT_EQ(dil->CD_Dispose(pipe), kDilOk);
    char buffer[4];
    int32_t count = 0;
    for (const CD_Handle bad : {0, pipe, -7, 12345}) {
        EXPECT_EQ(dil->CD_GetState(bad), kDilErrBadPipe);
        EXPECT_EQ(dil->CD_Idle(bad), kDilErrBadPipe);
        EXPECT_EQ(dil->CD_Accept(bad), kDilErrBadPipe);
        EXPECT_EQ(dil->CD_StartListening(bad), kDilErrBadPipe);
        EXPECT_EQ(dil->CD_BytesAvailable(bad, &count), kDilErrBadPipe);
        EXPECT_EQ(dil->CD_Read(bad, buffer, 1), kDilErrBadPipe);
        EXPECT_EQ(dil->CD_Write(bad, "x", 1), kDilErrBadPipe);
        EXPECT_EQ(dil->CD_Disconnect(bad), kDilErrBadPipe);
        EXPECT_EQ(dil->CD_Dispose(bad), kDilErrBadPipe);
    }
    EXPECT_EQ(dil->CD_CreateADSP(nullptr, nullptr, "Zandorelle"), kDilErrBadArgument);
}

TEST_F(DilTest, HandlesAreNeverReused) {
    CD_Handle first = 0, second = 0;
    ASSERT_EQ(dil->CD_CreateADSP(&first, nullptr, "Zandorelle"), kDilOk);
    ASSERT_EQ(dil->CD_Dispose(first), kDilOk);
    ASSERT_EQ(dil->CD_CreateADSP(&second, nullptr, "Zandorelle"), kDilOk);
    EXPECT_NE(first, 0);
    EXPECT_NE(first, second);
}

TEST_F(DilTest, StatesFollowTheNewton) {
    CD_Handle pipe = 0;
    ASSERT_EQ(dil->CD_CreateADSP(&pipe, nullptr, "Zandorelle"), kDilOk);
    EXPECT_EQ(dil->CD_Accept(pipe), kDilErrWrongState) << "nothing to accept yet";
    ASSERT_EQ(dil->CD_StartListening(pipe), kDilOk);
    EXPECT_EQ(dil->CD_StartListening(pipe), kDilErrWrongState);
    EXPECT_EQ(dil->CD_GetState(pipe), kStateListening);
    newton->Connect();
    EXPECT_EQ(dil->CD_GetState(pipe), kStateConnectPending);
    ASSERT_EQ(dil->CD_Accept(pipe), kDilOk);
    EXPECT_EQ(dil->CD_GetState(pipe), kStateConnected);
    newton->Hangup();
    EXPECT_EQ(dil->CD_GetState(pipe), kStateDisconnected);
}

TEST_F(DilTest, ReadTakesExactlyWhatWasAskedAndKeepsTheRest) {
    const CD_Handle pipe = ConnectedPipe();
    newton->Send("#YOOHOO!");
    int32_t count = 0;
    ASSERT_EQ(dil->CD_BytesAvailable(pipe, &count), kDilOk);
    EXPECT_EQ(count, 8);
    char buffer[8] = {};
    ASSERT_EQ(dil->CD_Read(pipe, buffer, 7), kDilOk);
    EXPECT_EQ(std::string(buffer, 7), "#YOOHOO");
    ASSERT_EQ(dil->CD_BytesAvailable(pipe, &count), kDilOk);
    EXPECT_EQ(count, 1);
}

TEST_F(DilTest, ShortReadTimesOutOnTheClockAndTakesNothing) {
    const CD_Handle pipe = ConnectedPipe();
    newton->Send("#ID");
    char buffer[7] = {};
    const int64_t before = clock.now();
    EXPECT_EQ(dil->CD_Read(pipe, buffer, 7), kDilErrTimeout);
    EXPECT_GE(clock.now() - before, kReadTimeoutMs);
    EXPECT_EQ(std::string(buffer, 7), std::string(7, '\0')) << "the buffer is not touched";
    int32_t count = 0;
    ASSERT_EQ(dil->CD_BytesAvailable(pipe, &count), kDilOk);
    EXPECT_EQ(count, 3);
}

TEST_F(DilTest, WhatArrivedStaysReadableAfterTheNewtonHasGone) {
    const CD_Handle pipe = ConnectedPipe();
    newton->Send("ab");
    newton->Hangup();
    char buffer[2];
    const int64_t before = clock.now();
    EXPECT_EQ(dil->CD_Read(pipe, buffer, 3), kDilErrLinkDropped);
    EXPECT_LT(clock.now() - before, 100) << "a dropped link is not waited for";
    EXPECT_EQ(dil->CD_Read(pipe, buffer, 2), kDilOk);
    EXPECT_EQ(std::string(buffer, 2), "ab");
    EXPECT_EQ(dil->CD_Write(pipe, "x", 1), kDilErrLinkDropped);
}

TEST_F(DilTest, WritesAndReadsNeedAConnectedNewton) {
    CD_Handle pipe = 0;
    ASSERT_EQ(dil->CD_CreateADSP(&pipe, nullptr, "Zandorelle"), kDilOk);
    ASSERT_EQ(dil->CD_StartListening(pipe), kDilOk);
    char buffer[1];
    EXPECT_EQ(dil->CD_Write(pipe, "x", 1), kDilErrNotConnected);
    EXPECT_EQ(dil->CD_Read(pipe, buffer, 1), kDilErrNotConnected);
    EXPECT_EQ(newton->received(), "");
}

TEST_F(DilTest, ShutdownDisposesEveryPipe) {
    const CD_Handle pipe = ConnectedPipe();
    dil->CD_Shutdown();
    EXPECT_TRUE(newton->closed());
    EXPECT_EQ(dil->CD_GetState(pipe), kDilErrBadPipe);
}

TEST(StateName, NamesEveryCodeAndUnknownOutsideTheTable) {
    const char* names[] = {"Unknown",         "Uninitialized", "Disconnected",      "Listening",
                           "Connect Pending", "Connected",     "Disconnect Pending"};
    for (int32_t code = 0; code <= 6; ++code) EXPECT_EQ(StateName(code), names[code]);
    EXPECT_EQ(StateName(7), "Unknown");
    EXPECT_EQ(StateName(-28001), "Unknown");
}

}  // namespace
}  // namespace zd
