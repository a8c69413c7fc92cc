#include "garmin/img_directory.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#include "base/cp1251.h"
#include "base/platform.h"
#include "base/text.h"

namespace mirvex {

namespace {

// The header's fields: the byte every byte of the file is XORed with, the two
// signatures, the 512-byte unit the directory's offset is counted in, and the two
// exponents whose sum is the block size's power of two.
constexpr std::size_t kXorByte = 0x00;
constexpr std::size_t kDiskSignature = 0x10;
constexpr std::string_view kDiskSignatureText = "DSKIMG";
constexpr std::size_t kDirectoryUnit = 0x40;
constexpr std::size_t kGarminSignature = 0x41;
constexpr std::string_view kGarminSignatureText = "GARMIN";
constexpr std::size_t kBlockExponent1 = 0x61;
constexpr std::size_t kBlockExponent2 = 0x62;
constexpr std::size_t kHeaderSize = 0x200;

// A directory entry: in use (1) or free, the name, the type, the subfile's size (in
// the first part only), the part's number, and up to 240 block numbers (0xffff ends
// the list).
constexpr std::size_t kEntrySize = 0x200;
constexpr std::size_t kEntryFlag = 0x00;
constexpr std::size_t kEntryName = 0x01;
constexpr std::size_t kEntryType = 0x09;
constexpr std::size_t kEntrySubfileSize = 0x0c;
constexpr std::size_t kEntryPart = 0x10;
constexpr std::size_t kEntryBlocks = 0x20;
constexpr std::size_t kBlocksPerEntry = 240;
constexpr std::uint16_t kNoBlock = 0xffff;

// A directory larger than this is taken for a damaged size field, not read.
constexpr std::uint32_t kMaxDirectoryBytes = 64u << 20;

class Bytes {
 public:
  Bytes(std::string_view bytes, std::uint8_t xor_byte) : bytes_(bytes), xor_(xor_byte) {}
  std::size_t size() const { return bytes_.size(); }
  std::uint8_t At(std::size_t at) const { return static_cast<std::uint8_t>(bytes_[at]) ^ xor_; }
  std::uint16_t U16(std::size_t at) const { return static_cast<std::uint16_t>(At(at) | At(at + 1) << 8); }
  std::uint32_t U32(std::size_t at) const {
    return static_cast<std::uint32_t>(At(at)) | static_cast<std::uint32_t>(At(at + 1)) << 8 |
           static_cast<std::uint32_t>(At(at + 2)) << 16 | static_cast<std::uint32_t>(At(at + 3)) << 24;
  }
  std::string Text(std::size_t at, std::size_t count) const {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) text += static_cast<char>(At(at + i));
    return text;
  }

 private:
  std::string_view bytes_;
  std::uint8_t xor_;
};

ImgDirectoryEnd Fail(ImgDirectoryEnd end, std::string_view utf8_reason, ImgDirectory& directory, std::string* error) {
  directory = {};
  if (error) *error = Ru(utf8_reason);
  return end;
}

// A name or type field: printable ASCII, blanks at the end removed. False for any
// other byte, which no writer puts there.
bool FieldText(const Bytes& bytes, std::size_t at, std::size_t count, std::string& text) {
  text = bytes.Text(at, count);
  for (char c : text) {
    if (c < 0x20 || c > 0x7e) return false;
  }
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return true;
}

// Where the subfiles' blocks begin, from the first directory entry: the one that
// reserves the header and the directory (a blank name) gives their size. 0 when the
// bytes hold no such entry.
std::uint32_t DataStart(const Bytes& bytes, std::size_t directory_offset) {
  if (bytes.size() < directory_offset + kEntrySize) return 0;
  std::string name, type;
  if (bytes.At(directory_offset + kEntryFlag) != 1 || !FieldText(bytes, directory_offset + kEntryName, 8, name) ||
      !FieldText(bytes, directory_offset + kEntryType, 3, type) || !name.empty() || !type.empty()) {
    return 0;
  }
  return bytes.U32(directory_offset + kEntrySubfileSize);
}

}  // namespace

ImgDirectoryEnd ReadImgDirectoryBytes(std::string_view data, std::uint64_t file_size, ImgDirectory& directory,
                                      std::string* error) {
  directory = {};
  if (data.size() > file_size) data = data.substr(0, static_cast<std::size_t>(file_size));
  if (data.size() < kHeaderSize) return Fail(ImgDirectoryEnd::kNotImg, "файл короче заголовка IMG", directory, error);
  Bytes bytes(data, static_cast<std::uint8_t>(data[kXorByte]));
  if (bytes.Text(kDiskSignature, kDiskSignatureText.size()) != kDiskSignatureText ||
      bytes.Text(kGarminSignature, kGarminSignatureText.size()) != kGarminSignatureText) {
    return Fail(ImgDirectoryEnd::kNotImg, "в заголовке нет подписи файла IMG", directory, error);
  }
  int exponent = bytes.At(kBlockExponent1) + bytes.At(kBlockExponent2);
  if (exponent < 9 || exponent > 24) {
    return Fail(ImgDirectoryEnd::kDamaged, "размер блока в заголовке IMG невозможен", directory, error);
  }
  std::uint32_t block_size = 1u << exponent;
  std::size_t directory_offset = static_cast<std::size_t>(bytes.At(kDirectoryUnit)) * kHeaderSize;
  if (directory_offset < kHeaderSize) {
    return Fail(ImgDirectoryEnd::kDamaged, "каталог файла IMG начинается внутри заголовка", directory, error);
  }
  std::uint32_t data_start = DataStart(bytes, directory_offset);
  if (data_start == 0 && bytes.size() < directory_offset + kEntrySize) {
    return Fail(ImgDirectoryEnd::kDamaged, "файл IMG обрывается в каталоге", directory, error);
  }
  if (data_start < directory_offset + kEntrySize || data_start > kMaxDirectoryBytes || data_start > file_size) {
    return Fail(ImgDirectoryEnd::kDamaged, "размер каталога файла IMG невозможен", directory, error);
  }
  if (bytes.size() < data_start) {
    return Fail(ImgDirectoryEnd::kDamaged, "файл IMG обрывается в каталоге", directory, error);
  }

  std::vector<ImgSubfile> subfiles;
  std::uint16_t last_part = 0;
  for (std::size_t entry = directory_offset; entry + kEntrySize <= data_start; entry += kEntrySize) {
    if (bytes.At(entry + kEntryFlag) != 1) continue;
    std::string name, type;
    if (!FieldText(bytes, entry + kEntryName, 8, name) || !FieldText(bytes, entry + kEntryType, 3, type)) {
      return Fail(ImgDirectoryEnd::kDamaged, "имя файла в каталоге IMG испорчено", directory, error);
    }
    // The entries of the header and the directory themselves.
    if (name.empty() && type.empty()) continue;
    std::uint16_t part = bytes.U16(entry + kEntryPart);
    if (part == 0) {
      subfiles.push_back({std::move(name), std::move(type), bytes.U32(entry + kEntrySubfileSize), {}});
    } else if (subfiles.empty() || subfiles.back().name != name || subfiles.back().type != type ||
               part != last_part + 1) {
      return Fail(ImgDirectoryEnd::kDamaged, "часть файла в каталоге IMG не следует за предыдущей", directory, error);
    }
    last_part = part;
    std::vector<std::uint32_t>& blocks = subfiles.back().blocks;
    for (std::size_t i = 0; i < kBlocksPerEntry; ++i) {
      std::uint16_t block = bytes.U16(entry + kEntryBlocks + 2 * i);
      if (block == kNoBlock) break;
      std::uint64_t start = static_cast<std::uint64_t>(block) * block_size;
      if (start < data_start) {
        return Fail(ImgDirectoryEnd::kDamaged, "блок файла в каталоге IMG лежит в заголовке", directory, error);
      }
      if (start + block_size > file_size) {
        return Fail(ImgDirectoryEnd::kDamaged, "блок файла в каталоге IMG лежит за концом файла", directory, error);
      }
      blocks.push_back(block);
    }
  }
  for (const ImgSubfile& subfile : subfiles) {
    if (static_cast<std::uint64_t>(subfile.blocks.size()) * block_size < subfile.size) {
      return Fail(ImgDirectoryEnd::kDamaged, "файл в каталоге IMG больше своих блоков", directory, error);
    }
  }
  directory.block_size = block_size;
  directory.data_start = data_start;
  directory.subfiles = std::move(subfiles);
  return ImgDirectoryEnd::kRead;
}

ImgDirectoryEnd ReadImgDirectory(std::string_view path, ImgDirectory& directory, std::string* error) {
  directory = {};
  std::error_code size_error;
  std::uint64_t file_size = std::filesystem::file_size(NativePath(path), size_error);
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(OpenForReading(path), &std::fclose);
  if (size_error || !file) return Fail(ImgDirectoryEnd::kUnreadable, "файл не открывается", directory, error);
  // The header, then as much as the directory's first entry says the header and the
  // directory take together.
  std::string bytes;
  auto read_to = [&](std::uint64_t wanted) {
    wanted = std::min<std::uint64_t>(wanted, file_size);
    if (bytes.size() >= wanted) return true;
    std::size_t have = bytes.size();
    bytes.resize(static_cast<std::size_t>(wanted));
    return std::fread(bytes.data() + have, 1, bytes.size() - have, file.get()) == bytes.size() - have;
  };
  if (!read_to(kHeaderSize)) return Fail(ImgDirectoryEnd::kUnreadable, "файл не читается", directory, error);
  if (bytes.size() == kHeaderSize) {
    Bytes header(bytes, static_cast<std::uint8_t>(bytes[kXorByte]));
    std::size_t directory_offset = static_cast<std::size_t>(header.At(kDirectoryUnit)) * kHeaderSize;
    if (directory_offset >= kHeaderSize && read_to(directory_offset + kEntrySize)) {
      Bytes head(bytes, static_cast<std::uint8_t>(bytes[kXorByte]));
      std::uint32_t data_start = DataStart(head, directory_offset);
      if (data_start <= kMaxDirectoryBytes && !read_to(data_start)) {
        return Fail(ImgDirectoryEnd::kUnreadable, "файл не читается", directory, error);
      }
    } else if (std::ferror(file.get())) {
      return Fail(ImgDirectoryEnd::kUnreadable, "файл не читается", directory, error);
    }
  }
  return ReadImgDirectoryBytes(bytes, file_size, directory, error);
}

bool HasSubfile(const ImgDirectory& directory, std::string_view name, std::string_view type) {
  for (const ImgSubfile& subfile : directory.subfiles) {
    if (EqualsIgnoreAsciiCase(subfile.name, name) && EqualsIgnoreAsciiCase(subfile.type, type)) return true;
  }
  return false;
}

}  // namespace mirvex
