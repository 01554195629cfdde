#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platformShim/FileHandlerInterface.h"
#include "services/filesystem/DirectoryHandlerImpl.h"
#include "services/system/AppFolders.h"
#include "support/FileSystemTestFolder.h"

namespace NuvraMobile {
namespace {

namespace fs = std::filesystem;

class DirectoryHandlerImplTest : public ::testing::Test {
protected:
    void TearDown() override { AppFolders::SetCacheDirectory(""); }

    FileSystemTestFolder folder;
};

TEST(DirectoryHandlerImplStandardizeTest, JoinsAndStandardizes) {
    struct Case {
        const char* base;
        const char* name;
        const char* expected;
    };
    const Case cases[] = {
        {"/a/b", "c", "/a/b/c"},          {"/a/b", "../c", "/a/c"}, {"/a//b/./c/", "", "/a/b/c"},
        {"/a", "x/../../..", "/"},        {"a", "../../b", "../b"}, {"", "a//b", "a/b"},
        {"/a/b", "./c/./d/..", "/a/b/c"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, DirectoryHandlerImpl::StandardizePath(c.base, c.name))
            << c.base << " + " << c.name;
    }
}

TEST_F(DirectoryHandlerImplTest, MoveToSubDirectoryWithCreateMakesTheStandardizedFolder) {
    auto handler = DirectoryHandlerInterface::CreateFromPath(folder.Path());
    EXPECT_TRUE(handler->MoveToSubDirectory("a/../b", true));
    EXPECT_EQ(folder.PathOf("b"), handler->GetPath());
    EXPECT_TRUE(fs::is_directory(folder.PathOf("b")));
    EXPECT_FALSE(fs::exists(folder.PathOf("a")));
}

TEST_F(DirectoryHandlerImplTest, MoveToSubDirectoryWithoutCreateMakesNoTest) {
    auto handler = DirectoryHandlerInterface::CreateFromPath(folder.Path());
    EXPECT_TRUE(handler->MoveToSubDirectory("missing", false));
    EXPECT_EQ(folder.PathOf("missing"), handler->GetPath());
    EXPECT_FALSE(fs::exists(folder.PathOf("missing")));
}

TEST_F(DirectoryHandlerImplTest, MoveToSubDirectoryOntoAFileKeepsThePath) {
    folder.WriteFile("file", "x");
    auto handler = DirectoryHandlerInterface::CreateFromPath(folder.Path());
    EXPECT_FALSE(handler->MoveToSubDirectory("file", true));
    EXPECT_EQ(folder.Path(), handler->GetPath());
}

TEST_F(DirectoryHandlerImplTest, MoveToParentDirectoryDropsTheLastComponent) {
    auto handler = DirectoryHandlerInterface::CreateFromPath(folder.PathOf("a/b"));
    EXPECT_TRUE(handler->MoveToParentDirectory());
    EXPECT_EQ(folder.PathOf("a"), handler->GetPath());
}

TEST_F(DirectoryHandlerImplTest, CreateFileHandlerInDirectoryCreatesTheSubFoldersButNotTheFile) {
    auto handler = DirectoryHandlerInterface::CreateFromPath(folder.Path());
    auto file = handler->CreateFileHandlerInDirectory("x/y.txt");
    ASSERT_NE(nullptr, file);
    EXPECT_TRUE(fs::is_directory(folder.PathOf("x")));
    EXPECT_FALSE(fs::exists(folder.PathOf("x/y.txt")));
    EXPECT_EQ(folder.Path(), handler->GetPath());
    ASSERT_TRUE(file->OpenForWriting());
    EXPECT_TRUE(fs::exists(folder.PathOf("x/y.txt")));
}

TEST_F(DirectoryHandlerImplTest, CreateFileHandlerInDirectoryIsNullWhenAFileBlocksTheFolder) {
    folder.WriteFile("x", "a file");
    auto handler = DirectoryHandlerInterface::CreateFromPath(folder.Path());
    EXPECT_EQ(nullptr, handler->CreateFileHandlerInDirectory("x/y.txt"));
}

TEST_F(DirectoryHandlerImplTest, DefaultCacheDirectoryIsAProgramFolderUnderTheUserCache) {
    ASSERT_EQ(0, ::setenv("XDG_CACHE_HOME", folder.PathOf("xdg").c_str(), 1));
    std::string cache = DirectoryHandlerInterface::GetDefaultCacheDirectory();
    EXPECT_EQ(folder.PathOf("xdg"), fs::path(cache).parent_path().string());
    EXPECT_TRUE(fs::is_directory(cache));
    EXPECT_EQ(cache, DirectoryHandlerInterface::CreateFromDefaultCache()->GetPath());
}

TEST_F(DirectoryHandlerImplTest, DefaultCacheDirectoryFallsBackToTheHomeCache) {
    ASSERT_EQ(0, ::setenv("XDG_CACHE_HOME", "relative/ignored", 1));
    ASSERT_EQ(0, ::setenv("HOME", folder.Path().c_str(), 1));
    std::string cache = DirectoryHandlerInterface::GetDefaultCacheDirectory();
    EXPECT_EQ(folder.PathOf(".cache"), fs::path(cache).parent_path().string());
    EXPECT_TRUE(fs::is_directory(cache));

    // Without either variable the account's home comes from the user database.
    ASSERT_EQ(0, ::unsetenv("XDG_CACHE_HOME"));
    ASSERT_EQ(0, ::unsetenv("HOME"));
    const passwd* account = getpwuid(getuid());
    ASSERT_NE(nullptr, account);
    EXPECT_EQ(fs::path(account->pw_dir) / ".cache",
              fs::path(DirectoryHandlerInterface::GetDefaultCacheDirectory()).parent_path());
}

TEST_F(DirectoryHandlerImplTest, AFolderSetByTheHostWins) {
    ASSERT_EQ(0, ::setenv("XDG_CACHE_HOME", folder.PathOf("xdg").c_str(), 1));
    AppFolders::SetCacheDirectory(folder.PathOf("host/cache"));
    EXPECT_EQ(folder.PathOf("host/cache"), DirectoryHandlerInterface::GetDefaultCacheDirectory());
    EXPECT_TRUE(fs::is_directory(folder.PathOf("host/cache")));
}

}  // namespace
}  // namespace NuvraMobile
