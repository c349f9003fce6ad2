// The keyboard map of the text box, through OnTypedKey with the platform's key state. A box without a
// font or buffer keeps its text like any other, which is all these tests look at.
#include "Typing.h"

#include <gtest/gtest.h>

namespace {

class KeyboardMap : public ::testing::Test {
 protected:
  TextLabel box;
  Typing keys{box};
};

TEST_F(KeyboardMap, LettersAndDigitsWithAndWithoutShift) {
  keys.Type('H');
  keys.Type('I');
  keys.TypeWithShift('1');
  keys.Type('1');  // code 49 + 32 is 'Q'
  keys.TypeWithShift('A');
  EXPECT_EQ(box.Text, L"hi1QA");
}

// Space and Enter are corrected to themselves, and held they act as Shift does.
TEST_F(KeyboardMap, SpaceAndEnter) {
  keys.Type(VK_SPACE);
  keys.Type(VK_RETURN);
  keys.Press(VK_SPACE);
  keys.Type('B');
  keys.Release(VK_SPACE);
  keys.Press(VK_RETURN);
  keys.Type('C');
  keys.Release(VK_RETURN);
  EXPECT_EQ(box.Text, L" \r B\rC");
}

TEST_F(KeyboardMap, ShiftAloneAppendsNothingButCorrectsTheSharedKey) {
  keys.Type('A');
  keys.Press(VK_SHIFT);
  EXPECT_EQ(box.Text, L"a");
  EXPECT_EQ(TypedKey.Char, VK_SHIFT);
}

TEST_F(KeyboardMap, OtherKeysBecomeTheCharacterOfTheirByte) {
  keys.Type(VK_OEM_2);           // 191 + 32 = 223
  keys.TypeWithShift(VK_OEM_2);  // 191
  EXPECT_EQ(box.Text, L"\u00DF\u00BF");
}

// Backspace deletes the last character, nothing on an empty text, and held it makes every key delete.
TEST_F(KeyboardMap, Backspace) {
  for (const int key : {'A', 'B', 'C', 'D'}) keys.Type(key);
  keys.Type(VK_BACK);
  EXPECT_EQ(box.Text, L"abc");
  keys.Press(VK_BACK);
  keys.Type('E');
  keys.Release(VK_BACK);
  EXPECT_EQ(box.Text, L"a");
  keys.Type(VK_BACK);
  keys.Type(VK_BACK);
  EXPECT_EQ(box.Text, L"");
  EXPECT_EQ(box.InstanceCount, 1);
}

}  // namespace
