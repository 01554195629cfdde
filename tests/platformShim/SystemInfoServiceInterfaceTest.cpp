#include <gtest/gtest.h>

#include <memory>

#include "platformShim/SystemInfoServiceInterface.h"
#include "support/FakeSystemInfoService.h"

namespace NuvraMobile {
namespace {

TEST(SystemInfoServiceInterfaceTest, CurrentServiceIsEmptyUntilSetAndCanBeCleared) {
    EXPECT_EQ(nullptr, SystemInfoServiceInterface::GetCurrentService());
    auto service = std::make_shared<FakeSystemInfoService>();
    SystemInfoServiceInterface::SetCurrentService(service);
    EXPECT_EQ(service, SystemInfoServiceInterface::GetCurrentService());
    SystemInfoServiceInterface::SetCurrentService(nullptr);
    EXPECT_EQ(nullptr, SystemInfoServiceInterface::GetCurrentService());
    EXPECT_EQ(1, service.use_count());
}

TEST(FakeSystemInfoServiceTest, ListenersRunOnceOnTheNextStatusChange) {
    FakeSystemInfoService service;
    int calls = 0;
    service.RegisterOneTimeNetworkConnectionStatusListener("listener", [&] { ++calls; });
    EXPECT_EQ(std::vector<std::string>{"listener"}, service.GetPendingListenerNames());
    service.SetNetworkConnectionStatus(ConnectionStatus::DISCONNECTED);
    service.SetNetworkConnectionStatus(ConnectionStatus::CONNECTED);
    EXPECT_EQ(1, calls);
    EXPECT_EQ(ConnectionStatus::CONNECTED, service.GetNetworkConnectionStatus());
}

TEST(FakeSystemInfoServiceTest, AnswersAreSettable) {
    FakeSystemInfoService service;
    service.Update([](FakeSystemInfoService::Answers& answers) {
        answers.assets["NVBMobileConfig.json"] = "{}";
        answers.properties["NVBMobileAppID"] = "app";
        answers.deviceType = DeviceType::TABLET;
    });
    EXPECT_EQ("{}", service.GetAsset("NVBMobileConfig.json"));
    EXPECT_EQ("", service.GetAsset("missing"));
    EXPECT_EQ("app", service.GetProperty("NVBMobileAppID"));
    EXPECT_EQ(DeviceType::TABLET, service.GetDeviceType());
    EXPECT_EQ(1080, service.GetDisplayInformation()->GetWidthPixels());
}

}  // namespace
}  // namespace NuvraMobile
