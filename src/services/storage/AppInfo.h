#pragma once

#include <memory>
#include <string>

namespace NuvraMobile {

class KeyValueStore;

/**
 * Process-wide settings that the host gives before the core starts: the app group, and the app's data
 * folder that holds the key-value store files. Answers which key-value store the data stores use: the
 * app group's own file when a group is set and its file opens, else the app's file. Safe to call from
 * any thread; setting either value never starts the core.
 */
class AppInfo {
public:
    /** Stores the app-group name, replacing any earlier one; the empty name clears it. */
    static void SetAppGroup(const std::string& appGroup);
    /** The app-group name, empty when none is set. */
    static std::string GetAppGroup();

    /** Sets the folder of the store files; the empty path restores the default folder. */
    static void SetDataDirectory(const std::string& path);
    /**
     * The folder of the store files: the one set, else a folder named after the executable under
     * $XDG_DATA_HOME, else under ~/.local/share.
     */
    static std::string GetDataDirectory();

    /**
     * The store for the data stores, opened anew for the current app group and folder. When no file can
     * be opened, a process-wide in-memory store stands in for that folder for the rest of the process, and
     * an error is logged the first time.
     */
    static std::shared_ptr<KeyValueStore> GetUserDefaults();

    /** The file name of the store of an app group (empty: of the app itself). */
    static std::string StoreFileName(const std::string& appGroup);
};

}  // namespace NuvraMobile
