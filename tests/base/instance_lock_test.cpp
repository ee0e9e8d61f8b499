// One program per preference file: the lock a second start meets.
#include "base/instance_lock.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/temp_dir.h"

namespace zd {
namespace {

using Outcome = InstanceLock::Outcome;

TEST(InstanceLock, ASecondHolderOfTheSameFileIsToldWhoHasIt) {
    test::TempDir dir;
    ::mkdir(dir.File("sub").c_str(), 0700);
    {
        const InstanceLock first(dir.File("z.INI"), dir.path());
        ASSERT_EQ(first.outcome(), Outcome::kTaken) << first.error();
        // The same file by another name.
        const InstanceLock second(dir.File("sub/../z.INI"), dir.path());
        EXPECT_EQ(second.outcome(), Outcome::kHeld);
        EXPECT_EQ(second.holder(), ::getpid());
        const InstanceLock other(dir.File("other.INI"), dir.path());
        EXPECT_EQ(other.outcome(), Outcome::kTaken) << "another file runs beside it";
    }
    const InstanceLock again(dir.File("z.INI"), dir.path());
    EXPECT_EQ(again.outcome(), Outcome::kTaken) << "free once the first has ended";
}

TEST(InstanceLock, ALockThatCannotBeMadeSaysWhy) {
    test::TempDir dir;
    test::WriteFile(dir.File("not-a-folder"), "");
    const InstanceLock lock(dir.File("z.INI"), dir.File("not-a-folder"));
    EXPECT_EQ(lock.outcome(), Outcome::kFailed);
    EXPECT_EQ(lock.error(), "Not a directory");
}

}  // namespace
}  // namespace zd
