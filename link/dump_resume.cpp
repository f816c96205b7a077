// The dump's record of its region, and the verdict on a resume.
#include "link/dump_resume.h"

#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "files/narrow_path.h"
#include "files/replace_file.h"
#include "files/transfer_file.h"

namespace varnel {
namespace {

// "Varnel dump of 0x2500000 0x300000"
constexpr char kRecordFormat[] = "Varnel dump of 0x%" SCNx32 " 0x%" SCNx32;
constexpr uint32_t kRecordBytes = 128;

std::string RecordName(const std::string& file) { return file + kDumpRecordSuffix; }

// The region the record beside `file` names; false when there is none.
bool ReadDumpRecord(const std::string& file, FlashRegion* region) {
  std::string reason;
  TransferFile record = TransferFile::OpenForReading(RecordName(file).c_str(), &reason);
  char text[kRecordBytes + 1] = {};
  uint32_t got = 0;
  if (!record.IsOpen() || !record.Read(reinterpret_cast<uint8_t*>(text), kRecordBytes, &got)) return false;
  return std::sscanf(text, kRecordFormat, &region->offset, &region->size) == 2;
}

}  // namespace

bool WriteDumpRecord(const std::string& file, const FlashRegion& region) {
  char text[kRecordBytes];
  std::snprintf(text, sizeof text, "Varnel dump of 0x%" PRIx32 " 0x%" PRIx32 "\n", region.offset, region.size);
  std::string reason;
  return ReplaceFile(PathFromNarrow(RecordName(file)), text, &reason);
}

void RemoveDumpRecord(const std::string& file) {
  std::error_code ignored;
  std::filesystem::remove(PathFromNarrow(RecordName(file)), ignored);
}

ResumePlan PlanResume(const std::string& file, const FlashRegion& region) {
  std::string reason;
  if (TransferFile::MayReplace(file.c_str(), &reason)) {
    const TransferFile existing = TransferFile::OpenForReading(file.c_str(), &reason);
    if (!existing.IsOpen()) return {};  // nothing there: a fresh dump
    FlashRegion recorded{};
    const bool sameRegion =
        ReadDumpRecord(file, &recorded) && recorded.offset == region.offset && recorded.size == region.size;
    if (existing.Size() == region.size) return {ResumeVerdict::Complete, region.size};
    if (existing.Size() < region.size && sameRegion) {
      return {ResumeVerdict::Resume, static_cast<uint32_t>(existing.Size())};
    }
  }
  return {ResumeVerdict::Refused, 0};
}

}  // namespace varnel
