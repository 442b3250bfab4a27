#include "backup/OfficeFailure.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace tg {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

// The bridge's descriptions are read for the type and the office's text; the sentence the user
// reads never carries the office's text, whatever its class.
TEST(OfficeFailure, TheOfficesWordsAreReadButNeverShown) {
  const OfficeFailure io = FromBridgeDescription(
      "com.sun.star.task.ErrorCodeIOException: SfxBaseModel::impl_store <file:///home/ana/B.ods> "
      "failed: 0xc10(Error Area:Io Class:Write Code:16)");
  EXPECT_EQ(io.exceptionType, "com.sun.star.task.ErrorCodeIOException");
  EXPECT_EQ(PlainOfficeFailure(io), "The folder cannot be written.");

  // Text with a colon after a blank is no type.
  const OfficeFailure untyped = FromBridgeDescription("General Error: the file is gone");
  EXPECT_EQ(untyped.exceptionType, "");
  EXPECT_EQ(PlainOfficeFailure(untyped), "The office suite reported a failure.");

  const OfficeFailure disposed =
      FromBridgeDescription("com.sun.star.lang.DisposedException: Binary URP bridge disposed");
  EXPECT_THAT(PlainOfficeFailure(disposed), HasSubstr("connection to the office suite was lost"));

  for (const char* description :
       {"com.sun.star.task.ErrorCodeIOException: SfxBaseModel::impl_store failed: 0x507(Error "
        "Area:Io Class:Access Code:7)",
        "com.sun.star.lang.IllegalArgumentException: unsupported URL <C:\\x>",
        "com.sun.star.uno.RuntimeException: [automation bridge] 0x80010108"}) {
    const std::string sentence = PlainOfficeFailure(FromBridgeDescription(description));
    EXPECT_THAT(sentence, Not(HasSubstr("com.sun.star"))) << description;
    EXPECT_THAT(sentence, Not(HasSubstr("0x"))) << description;
  }
}

// A kind the bridge told outright wins over whatever text came with it.
TEST(OfficeFailure, TheKindOfATransportFailureDecides) {
  OfficeFailure failure = FromBridgeDescription("com.sun.star.task.ErrorCodeIOException: x");
  failure.kind = OfficeFailure::Kind::Closing;
  EXPECT_EQ(PlainOfficeFailure(failure),
            "The office suite was closing, so it could not make the copy.");
}

}  // namespace
}  // namespace tg
