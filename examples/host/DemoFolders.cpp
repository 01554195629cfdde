#include "DemoFolders.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <system_error>

#include <nlohmann/json.hpp>

#include "services/storage/AppInfo.h"
#include "services/system/AppFolders.h"

namespace NuvraHost {

namespace fs = std::filesystem;

namespace {

constexpr const char* kPackagedConfiguration = "NVBMobileConfig.json";
constexpr const char* kRunBundle = "run-bundle";

std::string ReadText(const fs::path& file) {
    std::ifstream stream(file);
    return std::string((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
}

}  // namespace

fs::path DefaultDataDirectory(const char* program, const char* folderName) {
    std::error_code error;
    fs::path executable = fs::read_symlink("/proc/self/exe", error);
    if (error) {
        executable = fs::absolute(program, error);
    }
    return executable.parent_path() / folderName;
}

fs::path CacheFolder(const fs::path& folder) {
    return folder / "cache";
}

void PrepareDataDirectory(const fs::path& folder, bool reset) {
    std::error_code error;
    if (reset) {
        fs::remove_all(folder, error);
    }
    const bool carried = fs::is_directory(folder / "data", error) && !fs::is_empty(folder / "data", error);
    if (carried) {
        std::printf("State of earlier runs in %s (--reset clears it)\n", folder.c_str());
    } else {
        std::printf("Fresh state in %s\n", folder.c_str());
    }
    NuvraMobile::AppInfo::SetDataDirectory((folder / "data").string());
    NuvraMobile::AppFolders::SetCacheDirectory(CacheFolder(folder).string());
}

bool CanStoreHits(const fs::path& folder) {
    const fs::path hitFolder = CacheFolder(folder);
    std::error_code error;
    fs::create_directories(hitFolder, error);
    if (error || access(hitFolder.c_str(), W_OK) != 0) {
        return false;
    }
    // An earlier run's hit database that cannot be written is left as it is, with its hits for a launch that
    // can write it; this run's hits are kept in memory.
    for (const auto& entry : fs::directory_iterator(hitFolder, error)) {
        if (entry.path().extension() == ".sqlite" && access(entry.path().c_str(), W_OK) != 0) {
            return false;
        }
    }
    return !error;
}

bool ReadPackagedServer(const char* program, const fs::path& bundle, std::string& server) {
    std::error_code error;
    if (!fs::is_directory(bundle, error)) {
        std::fprintf(stderr, "%s: no app bundle folder at '%s'\n", program, bundle.c_str());
        return false;
    }
    server.clear();
    const fs::path configuration = bundle / kPackagedConfiguration;
    if (!fs::exists(configuration, error)) {
        std::fprintf(
            stderr,
            "%s: warning: the app bundle folder '%s' has no %s, so the SDK starts without a configuration "
            "and its track calls wait in memory for one\n",
            program, bundle.c_str(), kPackagedConfiguration);
        return true;
    }
    const auto json = nlohmann::json::parse(ReadText(configuration), nullptr, false);
    if (!json.is_object()) {
        std::fprintf(stderr, "%s: '%s' is not a JSON object\n", program, configuration.c_str());
        return false;
    }
    const auto named = json.find("analytics.server");
    if (named != json.end() && named->is_string()) {
        server = named->get<std::string>();
    }
    return true;
}

int LoopbackPort(const std::string& server) {
    const std::string prefix = "127.0.0.1:";
    if (server.rfind(prefix, 0) != 0 || server.size() == prefix.size() || server.size() > prefix.size() + 5 ||
        server.find_first_not_of("0123456789", prefix.size()) != std::string::npos) {
        return 0;
    }
    const int port = std::stoi(server.substr(prefix.size()));
    return port < 65536 ? port : 0;
}

namespace {

// Made afresh, where the caller removed the last run's copy. A data folder that cannot be made or written
// (the SDK then keeps its state in memory) has the copy in the system's temporary folder instead, one per
// collector port; `temporary` is then set. A run-bundle/ still there is one this user could not remove, an
// earlier run's copy naming that run's collector.
fs::path MakeRunBundleFolder(const fs::path& inDataFolder, const std::string& collectorHost, bool& temporary) {
    std::error_code error;
    temporary = !fs::create_directories(inDataFolder, error);
    if (!temporary) {
        return inDataFolder;
    }
    const fs::path folder = fs::temp_directory_path() / ("nvr_host-" + std::string(kRunBundle) + "-" +
                                                         std::to_string(LoopbackPort(collectorHost)));
    fs::remove_all(folder, error);
    fs::create_directories(folder);
    return folder;
}

// Why the run cannot use the server its bundle names.
std::string WhyReplaced(const std::string& packagedServer) {
    if (packagedServer.empty()) {
        return "the bundle names no analytics.server";
    }
    if (LoopbackPort(packagedServer) != 0) {
        return "the bundle's server, " + packagedServer + ", is on a port the collector could not listen on";
    }
    return "the bundle's server, " + packagedServer + ", is not on 127.0.0.1, where the collector listens";
}

// The bundle's properties file and its packaged configuration in `copy`, naming the collector as the
// analytics and identity server.
void WriteCollectorCopy(const fs::path& bundle, const fs::path& copy, const std::string& collectorHost) {
    std::error_code error;
    if (fs::exists(bundle / NuvraMobile::AppFolders::PROPERTIES_FILE_NAME, error)) {
        fs::copy_file(bundle / NuvraMobile::AppFolders::PROPERTIES_FILE_NAME,
                      copy / NuvraMobile::AppFolders::PROPERTIES_FILE_NAME);
    }
    auto configuration = nlohmann::json::parse(ReadText(bundle / kPackagedConfiguration), nullptr, false);
    if (!configuration.is_object()) {
        configuration = nlohmann::json::object();
    }
    configuration["analytics.server"] = collectorHost;
    configuration["skyloom.server"] = collectorHost;
    std::ofstream(copy / kPackagedConfiguration) << configuration.dump(4) << "\n";
}

}  // namespace

RunBundle::RunBundle(const fs::path& bundle, const std::string& packagedServer, const std::string& collectorHost,
                     const fs::path& dataDirectory)
    : folder_(bundle) {
    const fs::path inDataFolder = dataDirectory / kRunBundle;
    std::error_code error;
    fs::remove_all(inDataFolder, error);
    // Without a packaged configuration there is no server to replace: the SDK runs without one.
    if (packagedServer != collectorHost && fs::exists(bundle / kPackagedConfiguration, error)) {
        std::printf("Pointing the servers at the collector (%s) for this run: %s\n", collectorHost.c_str(),
                    WhyReplaced(packagedServer).c_str());
        bool temporary = false;
        folder_ = MakeRunBundleFolder(inDataFolder, collectorHost, temporary);
        if (temporary) {
            temporaryCopy_ = folder_;
        }
        WriteCollectorCopy(bundle, folder_, collectorHost);
    }
    NuvraMobile::AppFolders::SetBundleDirectory(folder_.string());
}

RunBundle::~RunBundle() {
    if (!temporaryCopy_.empty()) {
        std::error_code error;
        fs::remove_all(temporaryCopy_, error);
    }
}

}  // namespace NuvraHost
