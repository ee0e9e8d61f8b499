// The full connection's machine with a Newton played message by message: what
// the Newton says goes in, what the desktop says comes out as messages.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dock/full_connection.h"
#include "dock/password.h"

namespace zd::dock {

// A challenge of a real Newton's, whose answer is known.
inline const std::string kChallenge("\xFF\x8D\xAA\xB8\x00\x20\x41\xD5", 8);

class FullConnectionFixture : public ::testing::Test {
protected:
    // The Newton sends `command` with `data`.
    void NewtonSays(std::string_view command, const std::string& data = "") {
        connection.Receive(Encode(command, data), now);
    }
    // What the desktop sent since the last call.
    std::vector<Message> Sent() {
        Reader reader(1 << 20);
        while (auto bytes = connection.NextMessage(now)) reader.Feed(*bytes);
        std::vector<Message> messages;
        while (auto message = reader.Next()) messages.push_back(*message);
        EXPECT_FALSE(reader.failed());
        return messages;
    }
    std::vector<std::string> SentCommands() {
        std::vector<std::string> commands;
        for (const Message& message : Sent()) commands.push_back(message.command);
        return commands;
    }
    // The Newton's own answer to the challenge of the desktop's "dinf" in
    // `sent`, under `password`.
    static std::string NewtonsAnswer(const std::vector<Message>& sent,
                                     const std::string& password = "") {
        for (const Message& message : sent)
            if (message.command == "dinf")
                return PasswordAnswer(message.data.substr(8, 8), password);
        ADD_FAILURE() << "no dinf";
        return "";
    }
    // Runs the greeting as a Newton without a password does, whose owner
    // says `name` data; what was said and noted in it is dropped.
    void Connect(const std::string& name) {
        NewtonSays("rtdk", BigEndian32(9));
        NewtonSays("name", name);
        const std::string answer = NewtonsAnswer(Sent());
        NewtonSays("ninf", BigEndian32(9) + kChallenge);
        NewtonSays("dres", BigEndian32(0));
        NewtonSays("pass", answer);
        // A Newton says nothing when it takes the answer.
        connection.Tick(now += 500);
        (void)Sent();
        (void)connection.TakeNotes();
        ASSERT_EQ(connection.phase(), FullConnection::Phase::kConnected);
    }

    int64_t now = 1000;
    FullConnection connection{now};
};

}  // namespace zd::dock
