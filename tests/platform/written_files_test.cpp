// Files written a block at a time: a write the disk cannot take is taken back whole, from the
// position the station keeps, also after the file was copied out and written on.
#include "platform/files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#ifndef _WIN32
#include "tests/support/small_disk.h"

#include <unistd.h>

TEST(WrittenFilesTest, AFullDiskLeavesOnlyTheWholeBlocksWrittenBeforeAndAfterACopy) {
    const std::string folder = "written_files_" + std::to_string(getpid());
    const std::string path = folder + "/blocks";
    const std::string copyPath = folder + "_copy";
    std::filesystem::remove(copyPath);
    int taken = 0;
    {
        SmallDisk disk(folder, 8192);
        ASSERT_TRUE(disk.Ok());
        const int file = CVI_OpenFile(path.c_str(), VAL_READ_WRITE, VAL_TRUNCATE, VAL_ASCII);
        ASSERT_GT(file, 0);
        const std::string block(700, 'b');
        for (; taken < 3; ++taken) ASSERT_EQ(WriteBytes(file, block.data(), block.size()), 0);
        const int copy = CVI_OpenFile(copyPath.c_str(), VAL_READ_WRITE, VAL_TRUNCATE, VAL_ASCII);
        ASSERT_EQ(CopyOpenFile(file, copy), 0);
        EXPECT_EQ(CVI_CloseFile(copy), 0);
        while (taken < 100 && WriteBytes(file, block.data(), block.size()) == 0) ++taken;
        // The disk is full: a failed write leaves the file as it was, and so does the next.
        EXPECT_NE(WriteBytes(file, block.data(), block.size()), 0);
        CVI_CloseFile(file);
        EXPECT_LT(taken, 100) << disk.Kind();
        EXPECT_EQ(std::filesystem::file_size(path), 700u * static_cast<unsigned>(taken));
    }
    EXPECT_EQ(std::filesystem::file_size(copyPath), 2100u);
    std::filesystem::remove_all(folder);
    std::filesystem::remove(copyPath);
}
#endif
