#include "platform/Bundle.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(Bundle, InformationKeysAreFilledAtBuildTime)
{
    const QVariantMap info = Bundle::infoDictionary();
    EXPECT_EQ(info.value(u"CFBundleName"_s).toString(), u"Tavorin"_s);
    EXPECT_FALSE(info.value(u"CFBundleShortVersionString"_s).toString().isEmpty());
    EXPECT_FALSE(info.value(u"CFBundleVersion"_s).toString().isEmpty());
    EXPECT_TRUE(info.value(u"NSHumanReadableCopyright"_s).toString().contains(u"Tavorin"_s));
    EXPECT_FALSE(Bundle::objectForInfoDictionaryKey(u"NoSuchKey"_s).isValid());
}

TEST(Bundle, ResourcesAreFoundInTheSourceTreeAndUnknownOnesAreNot)
{
    EXPECT_TRUE(
        Bundle::pathForResource(u"MainWindow.ui"_s).endsWith(u"/resources/MainWindow.ui"_s));
    EXPECT_TRUE(Bundle::pathForResource(u"no-such-file.txt"_s).isEmpty());
    EXPECT_TRUE(Bundle::pathForResource(QString()).isEmpty());
}

TEST(Bundle, UntranslatedKeysFallBackToTheKey)
{
    EXPECT_EQ(Bundle::localizedString("Visit Website"), u"Visit Website"_s);
}
