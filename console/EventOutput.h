#pragma once
// Where an event file goes: standard output, or a file that is replaced only
// once every byte of it is written.
#include <string>
#include <string_view>

class EventOutput {
public:
    // "-" is standard output. A file is written to a temporary file in the
    // target's folder until Commit() renames it over the target; until then
    // an existing target stays as it was. Throws Failure.
    explicit EventOutput(const std::string& path);
    // Without Commit() the temporary file is removed.
    ~EventOutput();
    EventOutput(const EventOutput&) = delete;
    EventOutput& operator=(const EventOutput&) = delete;

    void Write(std::string_view bytes);
    void Commit();

private:
    std::string path_;
    std::string temp_;  // empty for standard output
    int fd_ = -1;
    int slot_ = -1;  // where the signal handler finds temp_
};

// Makes a signal that ends the program remove the temporary files first.
void RemoveTemporaryFilesOnSignals();
