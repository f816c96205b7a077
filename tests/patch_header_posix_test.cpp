// The search of a directory's patch files passes over a FIFO named like
// one without opening it: opening a FIFO for reading waits for a writer.
// Not built for Windows, which has no FIFOs in its file system.
#include <gtest/gtest.h>

#include <fstream>

#include "format/patch_header.h"
#include "tests/test_support.h"
#include "tests/watched_fifo.h"

namespace varnel::testing {
namespace {

TEST(PatchHeaderTest, AFifoNamedLikeAPatchFileIsNotOpened) {
  TempDir dir;
  std::ofstream(dir / "patch.cpf", std::ios::binary) << "";
  WatchedFifo fifo(dir / "pipe.cpf");
  ASSERT_TRUE(fifo.Created());
  EXPECT_EQ(ReadPatchHeaders(dir.Path()), std::vector<PatchHeader>{PatchHeader{}});
  EXPECT_EQ(ReadPatchHeader(dir / "pipe.cpf"), std::nullopt);
  EXPECT_FALSE(fifo.Opened());
}

}  // namespace
}  // namespace varnel::testing
