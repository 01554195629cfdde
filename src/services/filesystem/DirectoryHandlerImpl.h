#pragma once

#include <memory>
#include <string>

#include "core/values/Object.h"
#include "platformShim/DirectoryHandlerInterface.h"

namespace NuvraMobile {

/**
 * A movable current directory over std::filesystem. Its path changes only through the move
 * operations. One user at a time: the path is not guarded.
 */
class DirectoryHandlerImpl : public Object, public virtual DirectoryHandlerInterface {
public:
    explicit DirectoryHandlerImpl(std::string path);

    /** `base` joined with `name`, "." dropped, each ".." removing the component before it. */
    static std::string StandardizePath(const std::string& base, const std::string& name);

    std::string GetPath() override;
    bool MoveToSubDirectory(const std::string& name, bool create) override;
    bool MoveToParentDirectory() override;
    std::shared_ptr<FileHandlerInterface> CreateFileHandlerInDirectory(const std::string& name) override;

private:
    std::string path_;
};

}  // namespace NuvraMobile
