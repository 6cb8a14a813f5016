#pragma once
// The application object: the company and product names from the string
// table and the version file's location, each worked out once per process.
#include <mutex>
#include <optional>
#include <string>

namespace env {

class CKivDownloadControllerApp {
public:
    // String 4 of the table, loaded on first use and kept.
    std::string GetCompanyName();
    // String 1 of the table, loaded on first use and kept.
    std::string GetProductName();
    // <base>\<company>\<product>\<product>.dat with its folders created; the
    // base is LocalLow (see the .cpp). Computed once; empty while no base
    // folder can be found, and then the next call tries again.
    std::string GetVersionFilePath();

    // Forgets the kept path and names so that tests can change the environment.
    void ResetForTests();

private:
    std::string ComputeVersionFilePath();

    std::mutex mutex_;  // the worker and the window thread both ask
    std::optional<std::string> companyName_;
    std::optional<std::string> productName_;
    std::string versionFilePath_;  // empty until computed
};

// The one instance of the process.
CKivDownloadControllerApp& TheApp();

// Forwarders to TheApp() for callers that need only the answer.
std::string GetCompanyName();
std::string GetProductName();
std::string GetVersionFilePath();

}  // namespace env
