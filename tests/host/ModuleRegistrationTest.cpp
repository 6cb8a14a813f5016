// The module's DllRegisterServer and DllUnregisterServer on the settings
// store: every key a host needs with its exact value, and removal of exactly
// those keys.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "host/ControlModule.h"
#include "tests/host/HostTestSupport.h"

namespace {

using namespace com;

const std::string kClasses = "Software\\Classes\\";
const std::string kControl = kClasses + "CLSID\\{7126E9C3-57EE-4EBA-A6AC-286C10450471}";
const std::string kPage = kClasses + "CLSID\\{37304071-D4CA-400A-87DD-EC3C2053E740}";
const std::string kLibrary = kClasses + "TypeLib\\{B38740E4-0855-4B6A-8CD3-CEF6CB2500FC}";
const std::string kDispatch = kClasses + "Interface\\{262D9FC8-DF83-4CDF-9BB9-0959519D3BE5}";
const std::string kEvents = kClasses + "Interface\\{867BE5C0-D0DC-4BA1-8FF9-05AEBD36FCDE}";
const std::string kControlProgId = kClasses + "KIVDOWNLOADCONTR.KivDownloadContrCtrl.1";
const std::string kPageProgId = kClasses + "KIVDOWNLOADCON.KivDownloadConPropPage.1";
const char* const kLibraryId = "{B38740E4-0855-4B6A-8CD3-CEF6CB2500FC}";
const char* const kPSDispatch = "{00020420-0000-0000-C000-000000000046}";

struct Expected {
    std::string key;
    std::string valueName;
    std::string data;
};

std::vector<Expected> ExpectedRegistration(const std::string& module) {
    const std::string folder = module.substr(0, module.rfind('/'));
    return {
        {kControl, "", "Kiv Downloader"},
        {kControl + "\\InprocServer32", "", module},
        {kControl + "\\InprocServer32", "ThreadingModel", "Apartment"},
        {kControl + "\\ProgID", "", "KIVDOWNLOADCONTR.KivDownloadContrCtrl.1"},
        {kControl + "\\MiscStatus", "", "0"},
        {kControl + "\\MiscStatus\\1", "", "131473"},
        {kControl + "\\TypeLib", "", kLibraryId},
        {kControl + "\\Version", "", "1.0"},
        {kControl + "\\ToolboxBitmap32", "", module + ",1"},
        {kControlProgId, "", "Kiv Downloader"},
        {kControlProgId + "\\CLSID", "", "{7126E9C3-57EE-4EBA-A6AC-286C10450471}"},
        {kPage, "", "KivDownloadController Property Page"},
        {kPage + "\\InprocServer32", "", module},
        {kPage + "\\InprocServer32", "ThreadingModel", "Apartment"},
        {kPage + "\\ProgID", "", "KIVDOWNLOADCON.KivDownloadConPropPage.1"},
        {kPageProgId, "", "KivDownloadController Property Page"},
        {kPageProgId + "\\CLSID", "", "{37304071-D4CA-400A-87DD-EC3C2053E740}"},
        {kLibrary + "\\1.0", "", "KivDownloadControllerLib"},
        {kLibrary + "\\1.0\\0\\linux", "", module},
        {kLibrary + "\\1.0\\FLAGS", "", "0"},
        {kLibrary + "\\1.0\\HELPDIR", "", folder},
        {kDispatch, "", "_DKivDownloadController"},
        {kDispatch + "\\ProxyStubClsid", "", kPSDispatch},
        {kDispatch + "\\ProxyStubClsid32", "", kPSDispatch},
        {kDispatch + "\\TypeLib", "", kLibraryId},
        {kDispatch + "\\TypeLib", "Version", "1.0"},
        {kEvents, "", "_DKivDownloadControllerEvents"},
        {kEvents + "\\ProxyStubClsid", "", kPSDispatch},
        {kEvents + "\\ProxyStubClsid32", "", kPSDispatch},
        {kEvents + "\\TypeLib", "", kLibraryId},
        {kEvents + "\\TypeLib", "Version", "1.0"},
    };
}

const std::vector<std::string> kRegisteredRoots = {kControl, kPage,          kLibrary,   kDispatch,
                                                   kEvents,  kControlProgId, kPageProgId};

class ModuleRegistrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        module_ = CControlModule::Load(hosttest::ModulePath(), error);
        ASSERT_TRUE(module_) << error;
    }

    hosttest::PrivateStore store_;
    coretest::ScopedLanguage english_{win::Language::English};
    std::unique_ptr<CControlModule> module_;
};

TEST_F(ModuleRegistrationTest, RegisterWritesEveryEntryWithItsExactValue) {
    ASSERT_EQ(module_->RegisterServer(), S_OK);
    for (const Expected& entry : ExpectedRegistration(hosttest::CanonicalModulePath())) {
        EXPECT_EQ(hosttest::ReadRegistryString(entry.key, entry.valueName), entry.data)
            << entry.key << " [" << entry.valueName << "]";
    }
    EXPECT_TRUE(hosttest::RegistryKeyExists(kControl + "\\Control"));
}

TEST_F(ModuleRegistrationTest, RegisterReplacesAStaleRegistration) {
    hosttest::WriteRegistryString(kControl + "\\InprocServer32", "", "/old/place/module.so");
    hosttest::WriteRegistryString(kControl + "\\InprocServer32", "ThreadingModel", "Both");
    ASSERT_EQ(module_->RegisterServer(), S_OK);
    EXPECT_EQ(hosttest::ReadRegistryString(kControl + "\\InprocServer32"),
              hosttest::CanonicalModulePath());
    EXPECT_EQ(hosttest::ReadRegistryString(kControl + "\\InprocServer32", "ThreadingModel"),
              "Apartment");
}

TEST_F(ModuleRegistrationTest, UnregisterRemovesExactlyTheRegisteredKeys) {
    const std::string otherClass = kClasses + "CLSID\\{D27CDB6E-AE6D-11CF-96B8-444553540000}";
    const std::string otherInterface =
        kClasses + "Interface\\{00020400-0000-0000-C000-000000000046}";
    hosttest::WriteRegistryString(otherClass + "\\InprocServer32", "", "/usr/lib/other.so");
    hosttest::WriteRegistryString(otherInterface, "", "IDispatch");
    hosttest::WriteRegistryString(kClasses + ".html", "", "htmlfile");
    ASSERT_EQ(module_->RegisterServer(), S_OK);

    ASSERT_EQ(module_->UnregisterServer(), S_OK);
    for (const std::string& root : kRegisteredRoots) {
        EXPECT_FALSE(hosttest::RegistryKeyExists(root)) << root;
    }
    EXPECT_EQ(hosttest::ReadRegistryString(otherClass + "\\InprocServer32"), "/usr/lib/other.so");
    EXPECT_EQ(hosttest::ReadRegistryString(otherInterface), "IDispatch");
    EXPECT_EQ(hosttest::ReadRegistryString(kClasses + ".html"), "htmlfile");

    // Nothing left to remove is no failure.
    EXPECT_EQ(module_->UnregisterServer(), S_OK);
}

TEST_F(ModuleRegistrationTest, AnUnusableStoreFailsWithTheTypeLibraryCode) {
    // A file where the store's folder would have to be.
    coretest::TempFolder place;
    const std::string blocked = place.Path() + "/not-a-folder";
    hosttest::WriteFile(blocked, "x");
    coretest::ScopedEnv configHome("XDG_CONFIG_HOME", blocked);
    EXPECT_EQ(module_->RegisterServer(), SELFREG_E_TYPELIB);
    EXPECT_EQ(module_->UnregisterServer(), SELFREG_E_TYPELIB);
}

}  // namespace
