// The control module's class objects and instances, loaded with dlopen as a
// host loads it: the class factories, IObjectSafety, the control through the
// host's interface, and when the module may be unloaded.
#include <gtest/gtest.h>

#include <memory>

#include "control/ParamTagBag.h"
#include "host/ControlModule.h"
#include "platform/Window.h"
#include "resources/StringTable.h"
#include "tests/host/HostTestSupport.h"

using kivcontrol::ControlServices;
using kivcontrol::CParamTagBag;

namespace {

using namespace com;

CParamTagBag Bag(CParamTagBag::Pairs pairs) {
    return CParamTagBag(std::move(pairs));
}

class ModuleObjectsTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        module_ = CControlModule::Load(hosttest::ModulePath(), error);
        ASSERT_TRUE(module_) << error;
        // Every test leaves the module unused again.
        ASSERT_EQ(module_->CanUnloadNow(), S_OK);
    }
    void TearDown() override {
        if (module_) {
            EXPECT_EQ(module_->CanUnloadNow(), S_OK);
        }
    }

    ComPtr<IClassFactory> Factory(const win::GUID& clsid) {
        ComPtr<IClassFactory> factory;
        EXPECT_EQ(module_->GetClassObject(clsid, IID_IClassFactory, factory.ReceiveVoid()), S_OK);
        return factory;
    }
    ComPtr<IKivDownloadControl> NewControl() {
        ComPtr<IKivDownloadControl> control;
        EXPECT_EQ(module_->CreateControl(control), S_OK);
        return control;
    }

    coretest::ScopedLanguage english_{win::Language::English};
    std::unique_ptr<CControlModule> module_;
};

TEST_F(ModuleObjectsTest, ClassObjectsForBothClassesOnly) {
    ComPtr<IClassFactory> controls = Factory(CLSID_KivDownloadController);
    ComPtr<IClassFactory> pages = Factory(CLSID_KivDownloadControllerPropPage);
    ASSERT_TRUE(controls && pages);

    // Each factory makes its own class and nothing else.
    ComPtr<IPropertyPage> page;
    ASSERT_EQ(pages->CreateInstance(nullptr, IID_IPropertyPage, page.ReceiveVoid()), S_OK);
    PropertyPageInfo info;
    EXPECT_EQ(page->GetPageInfo(&info), S_OK);
    EXPECT_EQ(info.title, "General");
    EXPECT_EQ(info.width, 0);
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(pages->CreateInstance(nullptr, IID_IKivDownloadControl, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(controls->CreateInstance(nullptr, IID_IPropertyPage, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);

    // Not aggregatable.
    EXPECT_EQ(controls->CreateInstance(page.Get(), IID_IUnknown, &object), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);

    object = reinterpret_cast<void*>(1);
    const win::GUID unknownClass = GuidFromRegistryText("{00000000-1111-2222-3333-444444444444}");
    EXPECT_EQ(module_->GetClassObject(unknownClass, IID_IClassFactory, &object),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(module_->GetClassObject(CLSID_KivDownloadController, IID_IObjectSafety, &object),
              E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(module_->GetClassObject(CLSID_KivDownloadController, IID_IClassFactory, nullptr),
              E_POINTER);
}

TEST_F(ModuleObjectsTest, ObjectSafetyAnswersSafeForEveryInterface) {
    ComPtr<IKivDownloadControl> control = NewControl();
    ComPtr<IObjectSafety> safety;
    ASSERT_EQ(control->QueryInterface(IID_IObjectSafety, safety.ReceiveVoid()), S_OK);

    for (const win::GUID& iid : {IID_IUnknown, DIID_DKivDownloadController, IID_IObjectSafety,
                                 GuidFromRegistryText("{12345678-9ABC-DEF0-1234-56789ABCDEF0}")}) {
        win::DWORD supported = 0;
        win::DWORD enabled = 0;
        EXPECT_EQ(safety->GetInterfaceSafetyOptions(iid, &supported, &enabled), S_OK);
        EXPECT_EQ(supported, 3u);
        EXPECT_EQ(enabled, 3u);
    }
    win::DWORD options = 0;
    EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IUnknown, nullptr, &options), E_POINTER);
    EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IUnknown, &options, nullptr), E_POINTER);

    // Setting changes nothing, whatever is asked.
    EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IUnknown, 3, 0), S_OK);
    win::DWORD supported = 0;
    win::DWORD enabled = 0;
    ASSERT_EQ(safety->GetInterfaceSafetyOptions(IID_IUnknown, &supported, &enabled), S_OK);
    EXPECT_EQ(enabled, 3u);

    // One object: both interfaces give the same identity.
    ComPtr<IUnknown> fromSafety;
    ComPtr<IUnknown> fromControl;
    ASSERT_EQ(safety->QueryInterface(IID_IUnknown, fromSafety.ReceiveVoid()), S_OK);
    ASSERT_EQ(control->QueryInterface(IID_IUnknown, fromControl.ReceiveVoid()), S_OK);
    EXPECT_EQ(fromSafety.Get(), fromControl.Get());
}

TEST_F(ModuleObjectsTest, ModuleStaysLoadedWhileAnythingOfItIsInUse) {
    ComPtr<IClassFactory> factory = Factory(CLSID_KivDownloadController);
    EXPECT_EQ(module_->CanUnloadNow(), S_FALSE);  // a factory is held

    ComPtr<IKivDownloadControl> control;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IKivDownloadControl, control.ReceiveVoid()),
              S_OK);
    ASSERT_EQ(factory->LockServer(win::TRUE), S_OK);
    factory.Reset();
    EXPECT_EQ(module_->CanUnloadNow(), S_FALSE);  // an object and a lock

    control.Reset();
    EXPECT_EQ(module_->CanUnloadNow(), S_FALSE);  // the lock alone
    factory = Factory(CLSID_KivDownloadController);
    ASSERT_EQ(factory->LockServer(win::FALSE), S_OK);
    factory.Reset();
    EXPECT_EQ(module_->CanUnloadNow(), S_OK);
}

TEST_F(ModuleObjectsTest, ControlRunsInTheHostsWindowLayerUntilClosed) {
    ComPtr<IKivDownloadControl> control = NewControl();
    win::HWND window = nullptr;
    const ControlServices noServices;
    // In order only: services, parameters, window.
    const CParamTagBag bag = Bag({{"contentscount", "1"}, {"curl1", "http://127.0.0.1:9/a.zip"}});
    EXPECT_EQ(control->LoadProperties(bag), E_UNEXPECTED);
    ASSERT_EQ(control->Initialize(noServices), S_OK);
    EXPECT_EQ(control->Initialize(noServices), E_UNEXPECTED);
    EXPECT_EQ(control->CreateControlWindow(nullptr, &window), E_UNEXPECTED);
    ASSERT_EQ(control->LoadProperties(bag), S_OK);

    ASSERT_EQ(control->CreateControlWindow(nullptr, &window), S_OK);
    // The module's window is one of this program's windows.
    EXPECT_TRUE(win::IsWindow(window));
    std::int32_t errorCode = -1;
    std::int32_t lastError = -1;
    ASSERT_EQ(control->GetErrorState(&errorCode, &lastError), S_OK);
    EXPECT_EQ(errorCode, 12);  // no browser to connect to: no client site
    std::string caption;
    ASSERT_EQ(control->GetCaption(&caption), S_OK);
    EXPECT_EQ(caption, "Kiv Downloader");

    bool released = false;
    ASSERT_EQ(control->Close([&released] { released = true; }), S_OK);
    EXPECT_TRUE(released);
    EXPECT_FALSE(win::IsWindow(window));
    EXPECT_EQ(module_->CanUnloadNow(), S_FALSE);  // the object itself is still held
}

TEST_F(ModuleObjectsTest, RefusedParametersAreReportedByTheErrorState) {
    ComPtr<IKivDownloadControl> control = NewControl();
    ASSERT_EQ(control->Initialize(ControlServices{}), S_OK);
    EXPECT_EQ(control->LoadProperties(Bag({{"contentscount", "0"}})), S_FALSE);
    std::int32_t errorCode = 0;
    std::int32_t lastError = 0;
    ASSERT_EQ(control->GetErrorState(&errorCode, &lastError), S_OK);
    EXPECT_EQ(errorCode, 200);
    EXPECT_EQ(control->LoadProperties(Bag({{"contentscount", "1"}})), E_UNEXPECTED);
    // Released without Close: the last Release tears the control down.
}

}  // namespace
