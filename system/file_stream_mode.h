// The open-mode word of the streams: a set of flags passed to Do_Open and kept by the stream.
#pragma once

#include <cstdint>

namespace Tarn::File {

inline constexpr uint32_t ModeRead = 0x00000001;
inline constexpr uint32_t ModeWrite = 0x00000002;
// The deny flags are kept and reported but not enforced: POSIX has no share modes, and advisory
// locks would bind only openers that take them too.
inline constexpr uint32_t ModeShareDenyRead = 0x00000004;
inline constexpr uint32_t ModeShareDenyWrite = 0x00000008;
// Creation flags, in order of precedence; any of them implies read and write.
inline constexpr uint32_t ModeCreateNew = 0x00000010;
inline constexpr uint32_t ModeOpenAlways = 0x00000020;  // writes append
inline constexpr uint32_t ModeCreateAlways = 0x00000040;
// Text streams: the file holds UTF-16 text (either flag).
inline constexpr uint32_t ModeWideTextA = 0x00000100;
inline constexpr uint32_t ModeWideTextB = 0x00000200;
// Byte order of length prefixes; neither or both means little-endian.
inline constexpr uint32_t ModeLittleEndian = 0x00000800;
inline constexpr uint32_t ModeBigEndian = 0x00001000;
// Stored and reported only.
inline constexpr uint32_t ModeOption = 0x04000000;
// Archive entry streams: read the entry straight from the archive.
inline constexpr uint32_t ModeArchiveDirect = 0x10000000;
// No effect here: Linux has no temporary-file attribute.
inline constexpr uint32_t ModeTemporary = 0x40000000;
// The file is deleted when the stream closes it.
inline constexpr uint32_t ModeRemoveOnClose = 0x80000000;

inline constexpr uint32_t ModeCreateAny = ModeCreateNew | ModeOpenAlways | ModeCreateAlways;
// Read, write, deny read, deny write, open always.
inline constexpr uint32_t ModeDefault = 0x2F;
// Passed as the mode, it stands for ModeDefault.
inline constexpr uint32_t ModeUseDefault = 0xFFFFFFFF;

// The mode a stream stores: ModeUseDefault becomes ModeDefault, and a creation flag adds read and
// write.
constexpr uint32_t NormaliseOpenMode(uint32_t mode) {
    if (mode == ModeUseDefault) mode = ModeDefault;
    if (mode & ModeCreateAny) mode |= ModeRead | ModeWrite;
    return mode;
}

}  // namespace Tarn::File
