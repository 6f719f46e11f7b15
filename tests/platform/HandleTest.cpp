#include <gtest/gtest.h>

#include "tests/support/HandleCount.h"
#include "platform/UniqueHandle.h"

namespace quarvel::win {
namespace {

bool IsOpenHandle(HANDLE h) {
  DWORD flags = 0;
  return GetHandleInformation(h, &flags) != FALSE;
}

HANDLE NewEvent() { return CreateEventA(nullptr, TRUE, FALSE, nullptr); }

TEST(UniqueHandle, ClosesWhatItOwnsWhenItGoesAway) {
  HANDLE raw = NewEvent();
  { UniqueKernelHandle owner(raw); EXPECT_TRUE(owner); }
  EXPECT_FALSE(IsOpenHandle(raw));
}

TEST(UniqueHandle, MoveTransfersOwnershipAndLeavesTheSourceEmpty) {
  HANDLE raw = NewEvent();
  UniqueKernelHandle first(raw);
  UniqueKernelHandle second(std::move(first));
  EXPECT_FALSE(first);
  EXPECT_EQ(second.get(), raw);
  UniqueKernelHandle third;
  third = std::move(second);
  EXPECT_FALSE(second);
  EXPECT_TRUE(IsOpenHandle(raw));
  third.reset();
  EXPECT_FALSE(IsOpenHandle(raw));
}

TEST(UniqueHandle, ReleaseHandsOverWithoutClosing) {
  HANDLE raw = NewEvent();
  HANDLE released = UniqueKernelHandle(raw).release();
  EXPECT_EQ(released, raw);
  EXPECT_TRUE(IsOpenHandle(raw));
  CloseHandle(raw);
}

TEST(UniqueHandle, ResetClosesTheOldHandleAndKeepsTheLastError) {
  HANDLE raw = NewEvent();
  HANDLE replacement = NewEvent();
  UniqueKernelHandle owner(raw);
  SetLastError(ERROR_FILE_NOT_FOUND);
  owner.reset(replacement);
  const DWORD error_after_reset = GetLastError();
  EXPECT_EQ(error_after_reset, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(IsOpenHandle(raw));
  EXPECT_EQ(owner.get(), replacement);
}

// The API answers a failure with null or INVALID_HANDLE_VALUE depending on the
// call; neither is ever closed, and an owner given either is empty.
TEST(UniqueHandle, NullAndInvalidHandleValueAreBothEmpty) {
  for (HANDLE none : {static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE}) {
    UniqueKernelHandle owner(none);
    EXPECT_FALSE(owner);
    EXPECT_EQ(owner.get(), nullptr);
    owner.reset(none);
    EXPECT_FALSE(owner);
  }
  WIN32_FIND_DATAA entry;
  UniqueFindHandle search(FindFirstFileA("C:\\no-such-folder-at-all\\*", &entry));
  EXPECT_FALSE(search);
  UniqueRegistryKey key;
  EXPECT_FALSE(key);
}

// A call that answers its failure with INVALID_HANDLE_VALUE through the slot
// leaves the owner empty, as reset() would; a handle written there is owned.
TEST(UniqueHandle, PutTakesWhatTheCallWroteAsResetDoes) {
  const auto write = [](HANDLE* slot, HANDLE value) { *slot = value; };
  UniqueKernelHandle owner(NewEvent());
  HANDLE first = owner.get();
  write(owner.put(), INVALID_HANDLE_VALUE);
  EXPECT_FALSE(IsOpenHandle(first));  // closed before the call
  EXPECT_FALSE(owner);
  EXPECT_EQ(owner.get(), nullptr);
  HANDLE raw = NewEvent();
  write(owner.put(), raw);
  EXPECT_EQ(owner.get(), raw);
  owner.reset();
  EXPECT_FALSE(IsOpenHandle(raw));
}

}  // namespace
}  // namespace quarvel::win

namespace quarvel::win {
namespace {

// The leak tests compare this watermark before and after; it must notice one
// leaked handle and settle again once it is closed.
TEST(HandleWatermark, RisesWithALeakedHandleAndSettlesWhenItCloses) {
  const auto before = testing::HandleWatermark();
  {
    UniqueKernelHandle held(NewEvent());
    EXPECT_GT(testing::HandleWatermark(), before);
  }
  EXPECT_EQ(testing::HandleWatermark(), before);
}

}  // namespace
}  // namespace quarvel::win
