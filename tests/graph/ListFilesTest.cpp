// The files of a live buffer that a start finds left over.
#include "graph/buffer/ListFiles.h"

#include <gtest/gtest.h>

#include "common/Utf16.h"
#include "filters/sink/ChunkList.h"
#include "tests/support/TempFolder.h"

namespace graph::test {
namespace {

void NameChunk(filters::ChunkList& list, int index, const std::filesystem::path& path, bool keep) {
  filters::ChunkSlot& slot = list.Slot(index);
  slot.state = filters::kSlotLive;
  slot.keep = keep ? 1 : 0;
  slot.sequence = index;
  const std::u16string text = common::FromUtf8(path.string());
  std::copy(text.begin(), text.end(), slot.path.begin());
}

TEST(ListFilesTest, LeftoverListsGoWithTheirChunksAndKeptChunksStay) {
  testsupport::TempFolder folder("corvane-lists");
  const std::string hex = "0123456789ABCDEF0123456789abcdef";
  const auto chunk = folder.WriteText(hex + "_0000.mpg", "live");
  const auto kept = folder.WriteText("News.mpg", "recording");
  const auto other = folder.WriteText("notes.lst", "not a buffer");
  filters::ChunkList list;
  list.newest = 1;
  list.liveCount = 2;
  list.nextNumber = 2;
  NameChunk(list, 0, chunk, false);
  NameChunk(list, 1, kept, true);
  const auto bytes = list.Serialize();
  folder.Write(hex + ".lst", bytes);
  folder.WriteText("FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF.lst", "damaged");

  EXPECT_EQ(RemoveLeftoverLists(folder.Path()), 2);
  EXPECT_FALSE(std::filesystem::exists(chunk));
  EXPECT_FALSE(std::filesystem::exists(folder.Path() / (hex + ".lst")));
  EXPECT_FALSE(std::filesystem::exists(folder.Path() / "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF.lst"));
  EXPECT_TRUE(std::filesystem::exists(kept));
  EXPECT_TRUE(std::filesystem::exists(other));
}

}  // namespace
}  // namespace graph::test
