// The directory of a Garmin IMG container: the subfiles (a map's TRE, RGN, LBL, ...,
// the MPS list of a gmapsupp.img) that the container holds, read from its header and
// its table of 512-byte directory entries.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mirvex {

struct ImgSubfile {
  // The name's eight characters and the type's three, blanks at the end removed
  // ("10000001", "RGN").
  std::string name;
  std::string type;
  std::uint32_t size = 0;
  // The blocks that hold it, in order, over all its directory entries.
  std::vector<std::uint32_t> blocks;

  // "10000001.RGN"
  std::string FileName() const { return name + "." + type; }
};

struct ImgDirectory {
  std::uint32_t block_size = 0;
  // Where the subfiles' blocks begin: the header and the directory lie before it.
  std::uint32_t data_start = 0;
  // In the order of the directory; the entries that reserve the header and the
  // directory for themselves are not listed.
  std::vector<ImgSubfile> subfiles;
};

enum class ImgDirectoryEnd {
  kRead,
  kUnreadable,  // the file cannot be opened or read
  kNotImg,      // too short for the header, or without its signatures
  kDamaged,     // a header or directory entry that cannot be right (see ImgDirectoryError)
};

// Reads the directory of the IMG file at `path` (cp1251). Only the header and the
// directory are read; a subfile's blocks are checked against the file's size, not
// read. On anything but kRead, `directory` holds nothing and `error` (when given)
// says what is wrong, in Russian (cp1251).
ImgDirectoryEnd ReadImgDirectory(std::string_view path, ImgDirectory& directory, std::string* error = nullptr);

// The same over the first bytes of a file of `file_size` bytes (`bytes` may be the
// whole file, or only its header and directory).
ImgDirectoryEnd ReadImgDirectoryBytes(std::string_view bytes, std::uint64_t file_size, ImgDirectory& directory,
                                      std::string* error = nullptr);

// True when the directory lists a subfile of that name and type (any letter case).
bool HasSubfile(const ImgDirectory& directory, std::string_view name, std::string_view type);

}  // namespace mirvex
