#pragma once
#include <string>
#include <vector>

#include "transfer/RunReport.h"

// What a host that keeps its own account of the run is told.
class RecordingReport : public kivtransfer::IRunReport {
public:
    void FileStarted(const kivtransfer::CONTENTDATA& item, std::size_t index,
                     std::size_t count) override {
        events.push_back("started " + item.name + " " + std::to_string(index) + "/" +
                         std::to_string(count));
    }
    void FileRetrying(const kivtransfer::CONTENTDATA& item, const kivtransfer::ErrorState& failure,
                      int attempt, int attempts) override {
        events.push_back("retry " + item.name + " " + std::to_string(failure.errorCode) + " " +
                         std::to_string(attempt) + " of " + std::to_string(attempts));
    }
    void FileDone(const kivtransfer::CONTENTDATA& item, std::uint64_t received) override {
        events.push_back("done " + item.name + " " + std::to_string(received));
    }
    void FileStopped(const kivtransfer::CONTENTDATA& item, std::uint64_t received) override {
        events.push_back("stopped " + item.name + " " + std::to_string(received));
    }
    void FileVerified(const kivtransfer::CONTENTDATA& item, bool matches) override {
        events.push_back("verified " + item.name + (matches ? " yes" : " no"));
    }
    void FilePlaced(const kivtransfer::CONTENTDATA& item) override {
        events.push_back("placed " + item.name);
    }
    void FileKeptAside(const kivtransfer::CONTENTDATA& item) override {
        events.push_back("kept " + item.name + " as " + item.keptAsideAs);
    }
    void HttpDetail(const std::string& line) override { http.push_back(line); }

    std::vector<std::string> events;
    std::vector<std::string> http;
};
