// The backup's formats: SHA-256 against the published test vectors, fed in
// pieces of every size, and the manifest's text both ways.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "backup/backup_manifest.h"
#include "format/sha256.h"

namespace varnel {
namespace {

std::string Digest(const std::string& message, size_t piece) {
  Sha256 hash;
  for (size_t at = 0; at < message.size(); at += piece) {
    const std::string part = message.substr(at, piece);
    hash.Update(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(part.data()), part.size()));
  }
  return HexDigest(hash.Finish());
}

TEST(Sha256Test, GivesThePublishedDigestsWhateverThePieces) {
  struct Case {
    std::string message;
    const char* digest;
  };
  const std::array<Case, 4> kCases = {{
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  }};
  for (const Case& c : kCases) {
    for (size_t piece : {size_t{1}, size_t{55}, size_t{64}, size_t{4096}}) {
      SCOPED_TRACE(std::to_string(c.message.size()) + " bytes in pieces of " + std::to_string(piece));
      EXPECT_EQ(Digest(c.message, piece), c.digest);
    }
  }
}

TEST(BackupManifestTest, ReadsBackWhatItWritesAndRefusesWhatIsNotOne) {
  BackupManifest manifest;
  manifest.version = "1.0.0.0";
  manifest.date = "2026-12-07 18:40:05";
  manifest.port = "COM1";
  manifest.speed = 460800;
  manifest.parts = {{"bank1.bin", kBackupParts[0].region, true, std::string(64, 'a')},
                    {"bank2.bin", kBackupParts[1].region, false, ""}};
  const std::string text = ManifestText(manifest);
  EXPECT_NE(text.find("\npart bank1.bin 0x1000000 0x800000 complete aaaa"), std::string::npos) << text;
  EXPECT_NE(text.find("\npart bank2.bin 0x2000000 0x800000 incomplete -\n"), std::string::npos) << text;
  EXPECT_EQ(ParseManifest(text), manifest);
  EXPECT_FALSE(manifest.Complete());
  manifest.parts[1].complete = true;
  EXPECT_TRUE(manifest.Complete());
  for (const std::string& broken : {std::string("not a manifest\n"), text + "part bank3.bin 0x1 size complete -\n",
                                    text + "part bank3.bin 0x1 0x2 maybe -\n"}) {
    SCOPED_TRACE(broken);
    EXPECT_FALSE(ParseManifest(broken).has_value());
  }
}

}  // namespace
}  // namespace varnel
