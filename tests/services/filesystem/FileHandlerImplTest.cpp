#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "services/filesystem/FileHandlerImpl.h"
#include "support/FileSystemTestFolder.h"

namespace NuvraMobile {
namespace {

class FileHandlerImplTest : public ::testing::Test {
protected:
    FileSystemTestFolder folder;
};

TEST_F(FileHandlerImplTest, OperationsOnAFileThatIsNotOpenAnswerFalseOrZero) {
    folder.WriteFile("file", "content");
    for (const std::string& path : {folder.PathOf("file"), std::string()}) {
        auto handler = CreateNativeFileHandler(path);
        char buffer[4] = {};
        EXPECT_FALSE(handler->MoveToOffset(1)) << path;
        EXPECT_EQ(0u, handler->Read(sizeof buffer, buffer)) << path;
        EXPECT_EQ(0u, handler->Write(2, "ab")) << path;
        EXPECT_FALSE(handler->Close()) << path;
    }
    auto noPath = CreateNativeFileHandler("");
    EXPECT_FALSE(noPath->OpenForReading());
    EXPECT_FALSE(noPath->OpenForWriting());
    EXPECT_EQ(0u, noPath->Size());
    EXPECT_EQ(0, noPath->LastModified());
}

TEST_F(FileHandlerImplTest, ReadNearTheEndAnswersOnlyTheBytesLeft) {
    std::string content(50, 'a');
    content.replace(40, 10, "0123456789");
    folder.WriteFile("file", content);
    auto handler = CreateNativeFileHandler(folder.PathOf("file"));
    ASSERT_TRUE(handler->OpenForReading());
    ASSERT_TRUE(handler->MoveToOffset(40));
    std::string buffer(100, '-');
    EXPECT_EQ(10u, handler->Read(100, buffer.data()));
    EXPECT_EQ("0123456789" + std::string(90, '-'), buffer);
    EXPECT_EQ(0u, handler->Read(100, buffer.data()));
    EXPECT_TRUE(handler->Close());
}

TEST_F(FileHandlerImplTest, OpenForWritingEmptiesAnExistingFile) {
    folder.WriteFile("file", "old content that is long");
    auto handler = CreateNativeFileHandler(folder.PathOf("file"));
    ASSERT_TRUE(handler->OpenForWriting());
    EXPECT_EQ(0u, handler->Size());
    EXPECT_EQ(3u, handler->Write(3, "new"));
    ASSERT_TRUE(handler->MoveToOffset(5));
    EXPECT_EQ(1u, handler->Write(1, "!"));
    EXPECT_TRUE(handler->Close());
    EXPECT_EQ(std::string("new\0\0!", 6), folder.ReadFile("file"));
}

TEST_F(FileHandlerImplTest, OpenForReadingFailsForAMissingFileAndReplacesAHeldHandle) {
    auto missing = CreateNativeFileHandler(folder.PathOf("missing"));
    EXPECT_FALSE(missing->OpenForReading());
    EXPECT_EQ(0u, missing->Size());

    folder.WriteFile("file", "abc");
    auto handler = CreateNativeFileHandler(folder.PathOf("file"));
    ASSERT_TRUE(handler->OpenForReading());
    char buffer[3] = {};
    EXPECT_EQ(2u, handler->Read(2, buffer));
    ASSERT_TRUE(handler->OpenForReading());
    EXPECT_EQ(3u, handler->Read(3, buffer));
    EXPECT_EQ('a', buffer[0]);
}

TEST_F(FileHandlerImplTest, OpenForWritingFailsWhereTheFolderIsMissing) {
    EXPECT_FALSE(CreateNativeFileHandler(folder.PathOf("no/such/file"))->OpenForWriting());
}

TEST_F(FileHandlerImplTest, LastModifiedIsInWholeSecondsTimesAMillion) {
    folder.WriteFile("file", "x");
    struct timespec times[2] = {{1700000000, 700000000}, {1700000000, 700000000}};
    ASSERT_EQ(0, ::utimensat(AT_FDCWD, folder.PathOf("file").c_str(), times, 0));
    EXPECT_EQ(1700000000000000, CreateNativeFileHandler(folder.PathOf("file"))->LastModified());
    EXPECT_EQ(0, CreateNativeFileHandler(folder.PathOf("missing"))->LastModified());
}

}  // namespace
}  // namespace NuvraMobile
