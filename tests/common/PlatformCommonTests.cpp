// The core every platform module is built on: wide/UTF-8 text, the COM object base and the stderr reports.
#include "platform_common/ComObject.h"
#include "platform_common/Diagnostics.h"
#include "platform_common/UnicodeText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

using namespace std::string_literals;

const std::wstring kReplacement = L"\uFFFD";

TEST(UnicodeText, RoundTripsEveryLengthOfSequenceWithEmbeddedNuls) {
  const std::string utf8 = "a\0\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\0z"s;  // a NUL é € 😀 NUL z
  const std::wstring wide = L"a\0\u00E9\u20AC\U0001F600\0z"s;
  EXPECT_EQ(platform::WideFromUtf8(utf8), wide);
  EXPECT_EQ(platform::Utf8FromWide(wide), utf8);
  EXPECT_EQ(platform::StrictWideFromUtf8(utf8), wide);
  EXPECT_EQ(platform::StrictUtf8FromWide(wide), utf8);

  // Both sides of each length's edge, of the surrogates and of the code space, each way.
  struct Edge {
    wchar_t codePoint;
    std::string utf8;
  };
  for (const Edge& e :
       {Edge{0x7F, "\x7F"}, Edge{0x80, "\xC2\x80"}, Edge{0x7FF, "\xDF\xBF"}, Edge{0x800, "\xE0\xA0\x80"},
        Edge{0xD7FF, "\xED\x9F\xBF"}, Edge{0xE000, "\xEE\x80\x80"}, Edge{0xFFFF, "\xEF\xBF\xBF"},
        Edge{0x10000, "\xF0\x90\x80\x80"}, Edge{0x10FFFF, "\xF4\x8F\xBF\xBF"}}) {
    const std::wstring one(1, e.codePoint);
    EXPECT_EQ(platform::Utf8FromWide(one), e.utf8) << std::hex << uint32_t(e.codePoint);
    EXPECT_EQ(platform::StrictUtf8FromWide(one), e.utf8) << std::hex << uint32_t(e.codePoint);
    EXPECT_EQ(platform::WideFromUtf8(e.utf8), one) << std::hex << uint32_t(e.codePoint);
    EXPECT_EQ(platform::StrictWideFromUtf8(e.utf8), one) << std::hex << uint32_t(e.codePoint);
  }

  EXPECT_EQ(platform::WideFromUtf8(""), L"");
  EXPECT_EQ(platform::Utf8FromWide(L""), "");
  EXPECT_EQ(platform::StrictWideFromUtf8(""), L"");
  EXPECT_EQ(platform::StrictUtf8FromWide(L""), "");
}

TEST(UnicodeText, WideSurrogatePairsAreOneCodePointAndUnpairedOnesAreInvalid) {
  EXPECT_EQ(platform::Utf8FromWide(L"\xD83D\xDE00!"), "\xF0\x9F\x98\x80!");
  EXPECT_EQ(platform::StrictUtf8FromWide(L"\xD83D\xDE00"), "\xF0\x9F\x98\x80");
  // The first and last pairs.
  EXPECT_EQ(platform::StrictUtf8FromWide(L"\xD800\xDC00"), "\xF0\x90\x80\x80");
  EXPECT_EQ(platform::StrictUtf8FromWide(L"\xDBFF\xDFFF"), "\xF4\x8F\xBF\xBF");

  struct Case {
    std::wstring wide;
    std::string lenient;
  };
  const std::string fffd = "\xEF\xBF\xBD";
  const wchar_t beyond[] = {wchar_t(0x110000), wchar_t(-1), 0};
  for (const Case& c : {Case{L"a\xD83D", "a" + fffd},                            // high at the end
                        Case{L"\xD83Dz", fffd + "z"},                            // high before a character
                        Case{L"\xD83D\xD83D\xDE00", fffd + "\xF0\x9F\x98\x80"},  // the second high pairs
                        Case{L"\xDE00\xD83D", fffd + fffd},                      // low before high
                        Case{L"x\xDC00y", "x" + fffd + "y"},                     // low alone
                        Case{beyond, fffd + fffd}}) {                            // past U+10FFFF, and negative
    EXPECT_EQ(platform::Utf8FromWide(c.wide), c.lenient);
    EXPECT_EQ(platform::StrictUtf8FromWide(c.wide), std::nullopt);
  }
}

TEST(UnicodeText, IllFormedUtf8BecomesOneReplacementPerMaximalSubpart) {
  struct Case {
    std::string utf8;
    std::wstring lenient;
  };
  const std::wstring r = kReplacement;
  for (const Case& c : {Case{"\x80", r},                          // continuation without a lead
                        Case{"\xC0\x80", r + r},                  // overlong NUL
                        Case{"\xC1\xBF", r + r},                  // overlong DEL
                        Case{"\xE0\x80\x80", r + r + r},          // overlong three bytes
                        Case{"\xE0\x9F\xBF", r + r + r},          // overlong U+07FF
                        Case{"\xF0\x8F\xBF\xBF", r + r + r + r},  // overlong U+FFFF
                        Case{"\xED\xBF\xBF", r + r + r},          // the last encoded surrogate
                        Case{"\xF0\x80\x80\x80", r + r + r + r},  // overlong four bytes
                        Case{"\xED\xA0\x80", r + r + r},          // an encoded surrogate
                        Case{"\xF4\x90\x80\x80", r + r + r + r},  // beyond U+10FFFF
                        Case{"\xF5\xFF", r + r},                  // never leads
                        Case{"\xE2\x82", r},                      // cut short at the end
                        Case{"\xF0\x9F\x98", r},                  // cut short at the end
                        Case{"\xE2\x82"
                             "A",
                             r + L"A"},                                   // cut short by an ASCII character
                        Case{"\xE2\xF0\x9F\x98\x80", r + L"\U0001F600"},  // cut short by another lead
                        Case{"\xC3\0"s, r + L"\0"s}}) {                   // cut short by a NUL
    EXPECT_EQ(platform::WideFromUtf8(c.utf8), c.lenient) << testing::PrintToString(c.utf8);
    EXPECT_EQ(platform::StrictWideFromUtf8(c.utf8), std::nullopt) << testing::PrintToString(c.utf8);
  }
}

}  // namespace

// Two interfaces of a chain and one outside it, as the SDK's headers declare them; in a named namespace,
// as the uuid declarations need types with linkage.
namespace common_test {

struct IShape : public IUnknown {
  virtual int STDMETHODCALLTYPE Corners() = 0;
};
struct ISquare : public IShape {
  virtual int STDMETHODCALLTYPE Side() = 0;
};
struct IUnrelated : public IUnknown {};

}  // namespace common_test

__CRT_UUID_DECL(common_test::IShape, 0x1f0e4e2a, 0x6b53, 0x4b8e, 0x9a, 0x01, 0x6f, 0x2d, 0x11, 0x5c, 0x70, 0x01)
__CRT_UUID_DECL(common_test::ISquare, 0x1f0e4e2a, 0x6b53, 0x4b8e, 0x9a, 0x01, 0x6f, 0x2d, 0x11, 0x5c, 0x70, 0x02)
__CRT_UUID_DECL(common_test::IUnrelated, 0x1f0e4e2a, 0x6b53, 0x4b8e, 0x9a, 0x01, 0x6f, 0x2d, 0x11, 0x5c, 0x70, 0x03)

namespace {

using common_test::IShape;
using common_test::ISquare;
using common_test::IUnrelated;

class Square : public platform::ComObject<ISquare, IShape> {
 public:
  explicit Square(bool* destroyed, bool answersUnrelated = false)
      : destroyed_(destroyed), answersUnrelated_(answersUnrelated) {}
  int STDMETHODCALLTYPE Corners() override { return 4; }
  int STDMETHODCALLTYPE Side() override { return 2; }

 protected:
  bool Answers(REFIID riid) const override {
    return InChain(riid) || (answersUnrelated_ && riid == __uuidof(IUnrelated));
  }

 private:
  ~Square() override { *destroyed_ = true; }
  bool* destroyed_;
  bool answersUnrelated_;
};

TEST(ComObject, AnswersEveryInterfaceOfItsChainWithOnePointerAndRefusesOthers) {
  bool destroyed = false;
  auto* square = new Square(&destroyed);
  for (const IID& iid : {__uuidof(IUnknown), __uuidof(IShape), __uuidof(ISquare)}) {
    void* answer = nullptr;
    ASSERT_EQ(square->QueryInterface(iid, &answer), S_OK);
    EXPECT_EQ(answer, static_cast<ISquare*>(square));
  }
  EXPECT_EQ(square->ReferenceCount(), 4u);

  void* answer = square;
  EXPECT_EQ(square->QueryInterface(__uuidof(IUnrelated), &answer), E_NOINTERFACE);
  EXPECT_EQ(answer, nullptr);
  EXPECT_EQ(square->QueryInterface(__uuidof(IShape), nullptr), E_POINTER);
  EXPECT_EQ(square->ReferenceCount(), 4u);

  for (ULONG expected = 3; expected > 0; --expected) EXPECT_EQ(square->Release(), expected);
  EXPECT_FALSE(destroyed);
  EXPECT_EQ(square->Release(), 0u);
  EXPECT_TRUE(destroyed);
}

TEST(ComObject, ObjectsMayAnswerMoreAtRunTimeAndHandOutDropsTheCreatorsReference) {
  bool destroyed = false;
  IUnrelated* unrelated = nullptr;
  ASSERT_EQ(platform::HandOut(new Square(&destroyed, true), __uuidof(IUnrelated), reinterpret_cast<void**>(&unrelated)),
            S_OK);
  EXPECT_EQ(unrelated->Release(), 0u);
  EXPECT_TRUE(destroyed);

  destroyed = false;
  void* refused = nullptr;
  EXPECT_EQ(platform::HandOut(new Square(&destroyed), __uuidof(IUnrelated), &refused), E_NOINTERFACE);
  EXPECT_EQ(refused, nullptr);
  EXPECT_TRUE(destroyed);
}

TEST(Diagnostics, EveryReportIsOneLineStartingWithTheCall) {
  CaptureStderr();
  platform::Report("CreateThing", "%d things", 3);
  EXPECT_EQ(platform::Fail("ID3D12Thing::Make", E_INVALIDARG, "width %u is zero", 0u), E_INVALIDARG);
  EXPECT_EQ(platform::Fail("IWICThing::Open", E_ACCESSDENIED, "\"" + std::string(2000, 'x') + "\" is a folder"),
            E_ACCESSDENIED);
  EXPECT_EQ(GetCapturedStderr(), "CreateThing: 3 things\nID3D12Thing::Make: width 0 is zero\nIWICThing::Open: \"" +
                                     std::string(2000, 'x') + "\" is a folder\n");
}

TEST(Diagnostics, NotImplementedSaysSoOncePerCall) {
  CaptureStderr();
  EXPECT_EQ(platform::NotImplemented("IThing::Unusual"), E_NOTIMPL);
  EXPECT_EQ(platform::NotImplemented("IThing::Unusual"), E_NOTIMPL);
  platform::ReportNotImplementedOnce("IThing::Unusual");
  platform::ReportNotImplementedOnce("IThing::Rare");
  EXPECT_EQ(GetCapturedStderr(), "IThing::Unusual: not implemented\nIThing::Rare: not implemented\n");
}

}  // namespace
