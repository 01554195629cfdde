#pragma once

#include <filesystem>
#include <string>

namespace NuvraHost {

// The folders both demo hosts run with: where the SDK keeps its state between runs, and the app bundle
// whose packaged configuration names the servers. Called from the host's main thread before the SDK
// starts.

/** `folderName` beside the running program. */
std::filesystem::path DefaultDataDirectory(const char* program, const char* folderName);

/** The folder of the SDK's caches and hit databases under the data folder `folder`. */
std::filesystem::path CacheFolder(const std::filesystem::path& folder);

/**
 * Clears the state of earlier runs when asked, says where the state lives, and hands the folder to the
 * SDK: its data stores under data/, its caches and hit databases under cache/.
 */
void PrepareDataDirectory(const std::filesystem::path& folder, bool reset);

/**
 * True when the folder of the hit databases (CacheFolder) can be made and written, and so can
 * the databases in it. Otherwise the SDK keeps its hits in memory only: they are sent while the program
 * runs and lost when it ends.
 */
bool CanStoreHits(const std::filesystem::path& folder);

/**
 * Reads "analytics.server" of the bundle's packaged configuration into `server` ("" when the bundle has
 * no configuration or it names none). False, with one line on standard error, when the bundle folder is
 * missing or its configuration is not a JSON object: the SDK would quietly start without one. A bundle
 * without a configuration is run, with one warning line on standard error.
 */
bool ReadPackagedServer(const char* program, const std::filesystem::path& bundle, std::string& server);

/** The port of a "127.0.0.1:<port>" server, or 0. */
int LoopbackPort(const std::string& server);

/**
 * The app bundle folder of one run, named to the SDK (AppFolders) as it is made. When the packaged
 * configuration names `collectorHost` already, or there is none, the bundle itself; else run-bundle/ under `dataDirectory`
 * with a copy of the bundle's properties file and of its packaged configuration, which names the
 * collector as the analytics and identity server, and one line on standard output says which server it
 * replaces and why. The SDK never stores a packaged configuration, so the replacement lasts this run only;
 * every run makes or removes the copy anew. A data folder that cannot be written has the copy in the
 * system's temporary folder, removed when this object goes (after the SDK has read its bundle).
 */
class RunBundle {
public:
    RunBundle(const std::filesystem::path& bundle, const std::string& packagedServer,
              const std::string& collectorHost, const std::filesystem::path& dataDirectory);
    ~RunBundle();
    RunBundle(const RunBundle&) = delete;
    RunBundle& operator=(const RunBundle&) = delete;

    const std::filesystem::path& Folder() const { return folder_; }

private:
    std::filesystem::path folder_;
    /** The copy in the system's temporary folder, if there is one. */
    std::filesystem::path temporaryCopy_;
};

}  // namespace NuvraHost
