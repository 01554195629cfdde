#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "core/values/SdkError.h"
#include "platformShim/FileHandlerInterface.h"
#include "services/filesystem/NativeFileSystemService.h"
#include "support/FileSystemTestFolder.h"

namespace NuvraMobile {
namespace {

using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

class NativeFileSystemServiceTest : public ::testing::Test {
protected:
    std::shared_ptr<FileSystemServiceInterface> service = CreateNativeFileSystemService();
    FileSystemTestFolder folder;
};

TEST_F(NativeFileSystemServiceTest, MakeDirectoryCreatesMissingParentsAndAcceptsAnExistingDirectory) {
    std::string nested = folder.PathOf("a/b/c");
    EXPECT_TRUE(service->MakeDirectory(nested));
    EXPECT_TRUE(service->IsDirectory(nested));
    EXPECT_TRUE(service->MakeDirectory(nested));
}

TEST_F(NativeFileSystemServiceTest, MakeDirectoryRefusesAPathHoldingAFile) {
    folder.WriteFile("file", "x");
    EXPECT_FALSE(service->MakeDirectory(folder.PathOf("file")));
}

TEST_F(NativeFileSystemServiceTest, MakeDirectoryUnderAFileRaisesTheFileSystemError) {
    folder.WriteFile("file", "x");
    try {
        service->MakeDirectory(folder.PathOf("file/sub"));
        FAIL() << "expected an error";
    } catch (const SdkError& error) {
        EXPECT_EQ("filesystem", error.GetCode());
        EXPECT_FALSE(error.GetMessage().empty());
    }
}

TEST_F(NativeFileSystemServiceTest, DeletingWhereNothingExistsSucceeds) {
    EXPECT_TRUE(service->DeleteDirectory(folder.PathOf("missing")));
    EXPECT_TRUE(service->DeleteFile(folder.PathOf("missing")));
}

TEST_F(NativeFileSystemServiceTest, DeletionRefusesTheWrongKindOfEntry) {
    folder.WriteFile("file", "x");
    ASSERT_TRUE(service->MakeDirectory(folder.PathOf("dir")));
    EXPECT_FALSE(service->DeleteDirectory(folder.PathOf("file")));
    EXPECT_FALSE(service->DeleteFile(folder.PathOf("dir")));
    EXPECT_TRUE(std::filesystem::exists(folder.PathOf("file")));
    EXPECT_TRUE(std::filesystem::exists(folder.PathOf("dir")));
}

TEST_F(NativeFileSystemServiceTest, DeleteDirectoryRefusesAFolderHoldingOnlyAnEmptySubFolder) {
    ASSERT_TRUE(service->MakeDirectory(folder.PathOf("outer/inner")));
    EXPECT_FALSE(service->DeleteDirectory(folder.PathOf("outer")));
    EXPECT_TRUE(service->DeleteDirectory(folder.PathOf("outer/inner")));
    EXPECT_TRUE(service->DeleteDirectory(folder.PathOf("outer")));
    EXPECT_FALSE(std::filesystem::exists(folder.PathOf("outer")));
}

TEST_F(NativeFileSystemServiceTest, DeleteFileRemovesTheFile) {
    folder.WriteFile("file", "x");
    EXPECT_TRUE(service->DeleteFile(folder.PathOf("file")));
    EXPECT_FALSE(std::filesystem::exists(folder.PathOf("file")));
}

TEST_F(NativeFileSystemServiceTest, ListingsWalkTheWholeTreeWithRelativeNames) {
    folder.WriteFile("root/x", "1");
    folder.WriteFile("root/y/z", "2");
    folder.WriteFile("root/.hidden", "3");
    EXPECT_THAT(service->GetDirectoryContents(folder.PathOf("root")),
                UnorderedElementsAre("x", "y", "y/z", ".hidden"));
    EXPECT_THAT(service->GetDirectoryFiles(folder.PathOf("root")),
                UnorderedElementsAre("x", "y/z", ".hidden"));
}

TEST_F(NativeFileSystemServiceTest, ListingOfSomethingThatIsNoDirectoryIsEmpty) {
    folder.WriteFile("file", "x");
    EXPECT_THAT(service->GetDirectoryContents(folder.PathOf("file")), IsEmpty());
    EXPECT_THAT(service->GetDirectoryFiles(folder.PathOf("missing")), IsEmpty());
}

TEST_F(NativeFileSystemServiceTest, RelativePathsAreReadAgainstTheCurrentDirectory) {
    ASSERT_TRUE(service->MakeDirectory(folder.PathOf("data/x")));
    ASSERT_EQ(0, ::chdir(folder.Path().c_str()));
    EXPECT_TRUE(service->IsDirectory("data/x"));
    EXPECT_TRUE(service->DirectoryExists("data"));
    EXPECT_FALSE(service->IsDirectory("data/y"));
    EXPECT_TRUE(service->MakeDirectory("data/made"));
    EXPECT_TRUE(std::filesystem::is_directory(folder.PathOf("data/made")));
}

TEST_F(NativeFileSystemServiceTest, DirectoryIsWritableFollowsThePermissions) {
    EXPECT_TRUE(service->DirectoryIsWritable(folder.Path()));
    EXPECT_FALSE(service->DirectoryIsWritable(folder.PathOf("missing")));
    if (::geteuid() != 0) {
        ASSERT_TRUE(service->MakeDirectory(folder.PathOf("locked")));
        ASSERT_EQ(0, ::chmod(folder.PathOf("locked").c_str(), 0500));
        EXPECT_FALSE(service->DirectoryIsWritable(folder.PathOf("locked")));
    }
}

TEST_F(NativeFileSystemServiceTest, ReadStringFromFileAnswersTheWholeText) {
    folder.WriteFile("text", "line one\nzwei \xC3\xBC\n");
    EXPECT_EQ("line one\nzwei \xC3\xBC\n", service->ReadStringFromFile(folder.PathOf("text")));
    EXPECT_EQ("", service->ReadStringFromFile(""));
}

TEST_F(NativeFileSystemServiceTest, ReadStringFromFileRaisesForAMissingFileOrInvalidText) {
    folder.WriteFile("latin1", "caf\xE9");
    for (const std::string& path : {folder.PathOf("missing"), folder.PathOf("latin1"), folder.Path()}) {
        try {
            service->ReadStringFromFile(path);
            ADD_FAILURE() << "expected an error for " << path;
        } catch (const SdkError& error) {
            EXPECT_EQ("filesystem", error.GetCode()) << path;
        }
    }
}

TEST_F(NativeFileSystemServiceTest, PathSeparatorIsTheSlash) {
    EXPECT_EQ('/', service->GetPathSeparatorChar());
    EXPECT_EQ("/", service->GetPathSeparator());
}

TEST_F(NativeFileSystemServiceTest, CreateFileHandlerUsesThePathUnchanged) {
    folder.WriteFile("file", "12345");
    EXPECT_EQ(5u, service->CreateFileHandler(folder.PathOf("file"))->Size());
}

}  // namespace
}  // namespace NuvraMobile
