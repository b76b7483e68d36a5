// The per-user instance mutex: its name, and who counts as first.
#include "app/single_instance.h"

#include <gtest/gtest.h>

#include <string>

namespace zt {
namespace {

TEST(SingleInstance, MutexNameIsLocalAndCarriesTheUserSid) {
    const std::wstring sid = currentUserSid();
    ASSERT_EQ(sid.rfind(L"S-1-", 0), 0u);
    const std::wstring name = instanceMutexName();
    EXPECT_EQ(name, L"Local\\Zirrotone-" + sid);
    EXPECT_EQ(name.find(L'\\', 6), std::wstring::npos);  // nothing past the namespace
}

TEST(SingleInstance, OnlyTheFirstHolderIsFirstUntilItGoes) {
    const std::wstring name = L"Local\\ZirrotoneTest-" + std::to_wstring(GetCurrentProcessId());
    {
        const zt::SingleInstance first(name);
        EXPECT_TRUE(first.first());
        const zt::SingleInstance second(name);
        EXPECT_FALSE(second.first());
        const zt::SingleInstance third(name);
        EXPECT_FALSE(third.first());
    }
    const zt::SingleInstance again(name);
    EXPECT_TRUE(again.first());
    EXPECT_TRUE(zt::SingleInstance(name + L"-other").first());
}

}  // namespace
}  // namespace zt
