// Linked into every test program: it fails when the program leaves the Susie
// plug-in folder value or the host's Custom values other than it found them.
#include <gtest/gtest.h>
#include <cstdio>
#include "scoped_state.h"

namespace {
class LeftStateCheck : public testing::Environment {
public:
    void SetUp() override { before_ = Now(); }
    void TearDown() override {
        if (Now() == before_) return;
        ADD_FAILURE() << "the program changed the registry\nbefore:\n" << before_ << "after:\n" << Now();
        std::printf("[  FAILED  ] the Susie plug-in folder value or the host's Custom values were left changed\n");
    }
private:
    static std::string Now() {
        return "Path=" + RegistryValueText(kSusieFolderKey, "Path") + "\nCustom:\n" + RegistryKeyText(kHostCustomKey);
    }
    std::string before_;
};

testing::Environment* const registered = testing::AddGlobalTestEnvironment(new LeftStateCheck);
}  // namespace
