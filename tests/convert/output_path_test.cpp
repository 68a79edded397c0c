// SPDX-License-Identifier: MIT
#include "convert/write/output_path.h"

#include "convert/test_pictures.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <unistd.h>

namespace pixolan {
namespace {

TEST(DefaultOutputPath, IsArrayCInTheCurrentDirectory)
{
    const test::CurrentTempDir dir;
    ASSERT_TRUE(dir.entered());
    EXPECT_EQ(DefaultOutputPath(), QDir::currentPath() + "/array.c");
    ASSERT_TRUE(QDir().mkdir("sub"));
    ASSERT_TRUE(QDir::setCurrent("sub"));
    EXPECT_EQ(DefaultOutputPath(), QDir::currentPath() + "/array.c") << "computed afresh";
    EXPECT_TRUE(DefaultOutputPath().endsWith("/sub/array.c"));
}

struct OutputName
{
    std::string name;
    const char *output; // relative to the folder that holds "logo.png"
    bool refused;
    friend void PrintTo(const OutputName &row, std::ostream *out) { *out << row.name; }
};

class OutputNames : public testing::TestWithParam<OutputName>
{
};

TEST_P(OutputNames, AreRefusedWhenTheyNameThePicture)
{
    const test::CurrentTempDir dir;
    ASSERT_TRUE(dir.entered());
    ASSERT_TRUE(test::WriteBytes("logo.png", "picture bytes"));
    ASSERT_TRUE(test::WriteBytes("array.c", "old"));
    ASSERT_TRUE(QDir().mkdir("sub"));
    ASSERT_TRUE(QFile::link(dir.path("logo.png"), "link.png"));
    ASSERT_EQ(::link("logo.png", "sub/hard.png"), 0); // a second name for the same file
    const Status status = CheckOutputIsNotPicture(dir.path("logo.png"), GetParam().output);
    EXPECT_EQ(!status.ok(), GetParam().refused) << status.error().toStdString();
    if (!status.ok()) {
        EXPECT_EQ(status.error(),
                  QStringLiteral("Cannot write \"%1\": it is the picture itself, which would be "
                                 "overwritten")
                      .arg(GetParam().output));
    }
}

INSTANTIATE_TEST_SUITE_P(Names, OutputNames,
                         testing::Values(OutputName{"relative_name", "logo.png", true},
                                         OutputName{"dot_slash", "./logo.png", true},
                                         OutputName{"round_about", "sub/../logo.png", true},
                                         OutputName{"symbolic_link", "link.png", true},
                                         OutputName{"hard_link", "sub/hard.png", true},
                                         OutputName{"another_file", "array.c", false},
                                         OutputName{"a_new_file", "new.c", false},
                                         OutputName{"empty", "", false}),
                         test::RowName);

} // namespace
} // namespace pixolan
