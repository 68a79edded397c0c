// SPDX-License-Identifier: MIT
#include "convert/output_path.h"

#include "convert/test_pictures.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <unistd.h>

namespace pixolan {
namespace {

// Restores the current directory when a test changed it.
class CurrentDirectory
{
public:
    explicit CurrentDirectory(const QString &path) : m_saved(QDir::currentPath())
    {
        EXPECT_TRUE(QDir::setCurrent(path));
    }
    ~CurrentDirectory() { QDir::setCurrent(m_saved); }

private:
    QString m_saved;
};

TEST(DefaultOutputPath, IsArrayCInTheCurrentDirectory)
{
    test::TempDir dir;
    const CurrentDirectory current(dir.path(""));
    EXPECT_EQ(DefaultOutputPath(), QDir::currentPath() + "/array.c");
    QDir().mkdir("sub");
    QDir::setCurrent("sub");
    EXPECT_EQ(DefaultOutputPath(), QDir::currentPath() + "/array.c") << "computed afresh";
    EXPECT_TRUE(DefaultOutputPath().endsWith("/sub/array.c"));
}

struct OutputName
{
    const char *name;
    const char *output; // relative to the folder that holds "logo.png"
    bool refused;
};

void PrintTo(const OutputName &param, std::ostream *out)
{
    *out << param.name;
}

class OutputNames : public testing::TestWithParam<OutputName>
{
};

TEST_P(OutputNames, AreRefusedWhenTheyNameThePicture)
{
    test::TempDir dir;
    const CurrentDirectory current(dir.path(""));
    test::WriteBytes(dir.path("logo.png"), "picture bytes");
    test::WriteBytes(dir.path("array.c"), "old");
    QDir().mkdir("sub");
    QFile::link(dir.path("logo.png"), dir.path("link.png"));
    QFile::link(dir.path("logo.png"), dir.path("sub/hard.png")); // a second link, in a folder
    const Status status = CheckOutputIsNotPicture(dir.path("logo.png"), GetParam().output);
    EXPECT_EQ(!status.ok(), GetParam().refused) << status.error().toStdString();
    if (!status.ok()) {
        EXPECT_TRUE(status.error().contains(GetParam().output)) << status.error().toStdString();
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
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
} // namespace pixolan
