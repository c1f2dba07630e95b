// SPDX-License-Identifier: MIT
// TResult: a value or a reason, handed up through callers of other result types without losing either.
#include "base/TResult.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

struct TShape {
  virtual ~TShape() = default;
  virtual int Corners() const = 0;
};
struct TSquare : TShape {
  int Corners() const override { return 4; }
};

TResult<std::unique_ptr<TSquare>> MakeSquare(bool ok) {
  if (!ok) return Fail("no room for a square");
  return std::make_unique<TSquare>();
}

// A factory of the base type passing on what the derived one gave: the usual shape of a backend factory.
TResult<std::unique_ptr<TShape>> MakeShape(bool ok) { return MakeSquare(ok); }

TResult<int> Parse(const std::string& text) {
  if (text.empty()) return Fail("an empty text is no number");
  return std::stoi(text);
}

// A caller that adds what it was doing to the reason it got.
TResult<void> Check(const std::string& text) {
  TResult<int> n = Parse(text);
  if (!n) return Fail("line 3: " + n.Error());
  if (*n < 0) return Fail("line 3: negative");
  return {};
}

}  // namespace

TEST(Result, a_move_only_value_travels_up_through_a_base_type_result) {
  TResult<std::unique_ptr<TShape>> shape = MakeShape(true);
  ASSERT_TRUE(shape);
  EXPECT_TRUE(shape.Error().empty());
  EXPECT_EQ((*shape)->Corners(), 4);
  std::unique_ptr<TShape> taken = std::move(shape).Value();
  EXPECT_EQ(taken->Corners(), 4);
}

TEST(Result, a_failure_keeps_its_reason_through_every_caller) {
  TResult<std::unique_ptr<TShape>> shape = MakeShape(false);
  EXPECT_FALSE(shape);
  EXPECT_EQ(shape.Error(), "no room for a square");

  EXPECT_TRUE(Check("12"));
  EXPECT_EQ(Check("").Error(), "line 3: an empty text is no number");
  EXPECT_EQ(Check("-1").Error(), "line 3: negative");
  EXPECT_FALSE(Check("-1"));
}

TEST(Result, a_string_value_is_never_taken_for_a_reason) {
  // A value of the same type as a message must stay a success.
  TResult<std::string> text = std::string("cannot open");
  ASSERT_TRUE(text);
  EXPECT_EQ(*text, "cannot open");
  EXPECT_TRUE(text.Error().empty());
  TResult<std::string> failed = Fail("");
  EXPECT_FALSE(failed) << "a failure without words is still a failure";
}

#ifndef NDEBUG
TEST(ResultDeathTest, reading_the_value_of_a_failure_is_a_programmer_mistake) {
  TResult<int> n = Parse("");
  EXPECT_DEATH((void)*n, "failed TResult");
}
#endif
