// Splitting paths, archive paths included.
#include "system/file_path.h"

#include <algorithm>

namespace Tarn::File {
namespace {

struct PathParts {
    std::u16string drive, directory, name, extension;
};

// Splits like the classic drive/dir/fname/ext splitter: a drive is a letter and ":" at the
// start; the directory runs through the last "/"; the extension starts at the last "." of the
// file name.
PathParts Split(std::u16string_view text) {
    PathParts parts;
    if (text.size() >= 2 && text[1] == u':') {
        parts.drive = text.substr(0, 2);
        text.remove_prefix(2);
    }
    const size_t slash = text.rfind(u'/');
    if (slash != std::u16string_view::npos) {
        parts.directory = text.substr(0, slash + 1);
        text.remove_prefix(slash + 1);
    }
    const size_t dot = text.rfind(u'.');
    if (dot != std::u16string_view::npos) {
        parts.name = text.substr(0, dot);
        parts.extension = text.substr(dot);
    } else {
        parts.name = text;
    }
    return parts;
}

// Position of the ".zip" that ends a directory component of `directory`, or npos. A ".zip"
// that does not end a component (a folder named "a.zipped") is not an archive.
size_t FindArchiveSuffix(std::u16string_view directory) {
    for (size_t at = 0; at + 5 <= directory.size(); ++at) {
        if (directory[at] != u'.' || directory[at + 4] != u'/') continue;
        const auto lower = [](char16_t c) {
            return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
        };
        if (lower(directory[at + 1]) == u'z' && lower(directory[at + 2]) == u'i' &&
            lower(directory[at + 3]) == u'p') {
            return at;
        }
    }
    return std::u16string_view::npos;
}

}  // namespace

FilePath::FilePath(std::u16string_view text, bool is_directory) : is_directory_(is_directory) {
    if (text.empty()) return;
    std::u16string path(text);
    std::replace(path.begin(), path.end(), u'\\', u'/');
    if (is_directory && path.back() != u'/') path.push_back(u'/');

    PathParts outer = Split(path);
    const size_t suffix = FindArchiveSuffix(outer.directory);
    if (suffix != std::u16string_view::npos) {
        in_archive_ = true;
        const size_t archive_end = outer.drive.size() + suffix + 4;
        outer = Split(std::u16string_view(path).substr(0, archive_end));
        const PathParts inner = Split(std::u16string_view(path).substr(archive_end + 1));
        inner_directory_ = inner.drive + inner.directory;
        inner_name_ = inner.name;
        inner_extension_ = inner.extension;
        inner_name_and_extension_ = inner_name_ + inner_extension_;
        inner_path_ = inner_directory_ + inner_name_and_extension_;
    }
    drive_ = outer.drive;
    directory_ = outer.directory;
    name_ = outer.name;
    extension_ = outer.extension;
    folder_ = drive_ + directory_;
    RecomputeJoinedFields();
}

void FilePath::RecomputeJoinedFields() {
    name_and_extension_ = name_ + extension_;
    full_path_ = drive_ + directory_ + name_and_extension_;
    combined_path_ = in_archive_ ? full_path_ + u"/" + inner_path_ : full_path_;
}

void FilePath::SetFileName(std::u16string_view name_and_extension) {
    const size_t dot = name_and_extension.rfind(u'.');
    if (dot == std::u16string_view::npos) {
        name_ = name_and_extension;
        extension_.clear();
    } else {
        name_ = name_and_extension.substr(0, dot);
        extension_ = name_and_extension.substr(dot);
    }
    RecomputeJoinedFields();
}

std::u16string FilePath::FolderNoSlash() const {
    return folder_.empty() ? std::u16string() : folder_.substr(0, folder_.size() - 1);
}

}  // namespace Tarn::File
