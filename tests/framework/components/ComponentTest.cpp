// SPDX-License-Identifier: MIT
// Ownership, names and exact classes of components.
#include <string>
#include <typeinfo>
#include <vector>

#include "FrameworkFixture.h"
#include "components/Exception.h"
#include "components/TImage.h"
#include "components/TLabel.h"

namespace {
std::vector<std::string> Destroyed;

class TSpecialImage : public TImage {
public:
  using TImage::TImage;
  ~TSpecialImage() override { Destroyed.push_back(Name()); }
};

class ComponentTest : public FrameworkTest {};
}  // namespace

TEST_F(ComponentTest, owner_keeps_components_in_creation_order_and_the_exact_class_is_visible) {
  TForm& form = NewForm();
  form.Add<TImage>("Button_Play");
  form.Add<TSpecialImage>("ButtonShape");
  form.Add<TLabel>("Hint_Label");
  form.Add<TImage>("");
  ASSERT_EQ(form.ComponentCount(), 4);
  std::vector<std::string> plainImagesNamedButton;
  for (int i = 0; i < form.ComponentCount(); ++i) {
    TComponent* c = form.Components(i);
    if (c->Name().find("Button") != std::string::npos && typeid(*c) == typeid(TImage))
      plainImagesNamedButton.push_back(c->Name());
  }
  EXPECT_EQ(plainImagesNamedButton, (std::vector<std::string>{"Button_Play"}));
  EXPECT_EQ(form.Components(3)->Name(), "");
  EXPECT_THROW(form.Components(4), EListError);
  // Controls added to a form lie on it, in the same order.
  ASSERT_EQ(form.ControlCount(), 4);
  EXPECT_EQ(form.Controls(1)->Parent(), &form);
}

TEST_F(ComponentTest, names_are_unique_among_siblings_but_many_may_be_empty) {
  TForm& form = NewForm();
  form.Add<TImage>("Same");
  EXPECT_THROW(form.Add<TImage>("Same"), EComponentError);
  EXPECT_EQ(form.ComponentCount(), 1);
  form.Add<TImage>("");
  form.Add<TImage>("");
  EXPECT_EQ(form.ComponentCount(), 3);
  EXPECT_EQ(form.FindComponent("Same"), form.Components(0));
}

TEST_F(ComponentTest, the_owner_destroys_what_it_owns_last_created_first) {
  Destroyed.clear();
  {
    TForm& form = NewForm();
    form.Add<TSpecialImage>("a");
    form.Add<TSpecialImage>("b");
    form.DestroyComponent(form.Components(0));
    EXPECT_EQ(Destroyed, (std::vector<std::string>{"a"}));
    form.Add<TSpecialImage>("c");
    Application.Reset();
  }
  EXPECT_EQ(Destroyed, (std::vector<std::string>{"a", "c", "b"}));
}
