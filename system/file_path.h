// FilePath: a path split into drive, directory, name and extension with "/" separators. A path
// whose directory part passes through a ".zip" file names an entry inside that archive.
#pragma once

#include <string>
#include <string_view>

namespace Tarn::File {

class FilePath {
public:
    FilePath() = default;
    // Every "\" becomes "/". With `is_directory` the whole text is the directory (a trailing "/"
    // is added when missing). An empty text leaves every field empty.
    explicit FilePath(std::u16string_view text, bool is_directory = false);

    // Replaces name and extension from `name_and_extension`; the folder stays as it was.
    void SetFileName(std::u16string_view name_and_extension);
    // The folder without its last character (its trailing "/").
    std::u16string FolderNoSlash() const;

    bool IsDirectory() const { return is_directory_; }
    bool InArchive() const { return in_archive_; }
    const std::u16string& Drive() const { return drive_; }
    const std::u16string& Directory() const { return directory_; }
    const std::u16string& Name() const { return name_; }
    const std::u16string& Extension() const { return extension_; }
    const std::u16string& Folder() const { return folder_; }
    const std::u16string& NameAndExtension() const { return name_and_extension_; }
    // For an archive path: the archive file itself.
    const std::u16string& FullPath() const { return full_path_; }
    const std::u16string& InnerName() const { return inner_name_; }
    const std::u16string& InnerExtension() const { return inner_extension_; }
    const std::u16string& InnerDirectory() const { return inner_directory_; }
    const std::u16string& InnerNameAndExtension() const { return inner_name_and_extension_; }
    const std::u16string& InnerPath() const { return inner_path_; }
    // The full path, followed for an archive path by "/" and the inner path.
    const std::u16string& CombinedPath() const { return combined_path_; }

private:
    void RecomputeJoinedFields();

    bool is_directory_ = false;
    bool in_archive_ = false;
    std::u16string drive_;
    std::u16string directory_;
    std::u16string name_;
    std::u16string extension_;
    std::u16string folder_;
    std::u16string name_and_extension_;
    std::u16string full_path_;
    std::u16string inner_name_;
    std::u16string inner_extension_;
    std::u16string inner_directory_;
    std::u16string inner_name_and_extension_;
    std::u16string inner_path_;
    std::u16string combined_path_;
};

}  // namespace Tarn::File
