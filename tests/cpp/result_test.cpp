#include "common/result.h"

#include <gtest/gtest.h>

namespace vdz {
namespace {

Result<int> half(int x) {
    if (x % 2 != 0) return make_error("odd");
    return x / 2;
}

Status quarter_is_even(int x, int& out) {
    auto h = half(x);
    VDZ_TRY(h);
    auto q = half(*h);
    VDZ_TRY(q);
    out = *q;
    return ok_status();
}

TEST(Result, CarriesValueOrError) {
    EXPECT_EQ(*half(8), 4);
    EXPECT_EQ(half(3).error().message, "odd");
    int out = 0;
    EXPECT_TRUE(quarter_is_even(8, out).ok());
    EXPECT_EQ(out, 2);
    EXPECT_EQ(quarter_is_even(6, out).error().message, "odd");
}

}  // namespace
}  // namespace vdz
