#pragma once

#include <chrono>

// Private state of SubstituteHost, shared by the files that implement it (one concern each:
// substitute_host.cpp records and settings, components.cpp, streams.cpp, messages.cpp).

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "brixel/framework/records.h"
#include "host/monitor_state.h"
#include "host/plex.h"
#include "host/substitute_host.h"
#include "host/thermo_state.h"

namespace brixel::host {

constexpr int kErrorBufferLines = 100;
constexpr int64_t kFirstSmallBead = 4;  // 2 and 3 are the descriptor and the global options
constexpr int64_t kFirstBuilderStream = 1000001;

struct SubstituteHost::Impl {
    struct RecordPlace {
        int64_t integerPosition = 0;
        int64_t integerLength = 0;
        int64_t realPosition = 0;  // 0: no real record
        int64_t realLength = 0;
    };

    struct SubstreamLayout {
        std::string id;
        int64_t type = 0;
        int64_t offset = 0;      // first word in the stream vector, from 0
        int64_t length = 0;      // words
        int64_t components = 0;  // component flows at the start (NCC, or NNCC for NC)
        int64_t classRecordBead = 0;
        int64_t psdOffset = -1;  // first PSD fraction from the substream's first word; -1 none
        int64_t psdIntervals = 0;
    };

    struct StreamClass {
        std::string type;
        bool information = false;
        int64_t vectorLength = 0;
        int64_t dummyStream = 0;
        std::vector<SubstreamLayout> substreams;
    };

    struct ParameterBlock {
        int64_t offset = 0;  // value of component k (from 1) at offset + (k - 1) * words + 1
        int64_t wordsPerComponent = 1;
    };

    // Frees what a half-done construction created in the plex unless committed.
    class Rollback {
      public:
        explicit Rollback(Impl& impl) : m_impl(impl) {}
        ~Rollback();
        Rollback(const Rollback&) = delete;
        Rollback& operator=(const Rollback&) = delete;
        void AddRecord(int64_t bead) { m_beads.push_back(bead); }
        void AddBlock(int64_t position, int64_t words) { m_blocks.emplace_back(position, words); }
        void Commit() { m_committed = true; }

      private:
        Impl& m_impl;
        std::vector<int64_t> m_beads;
        std::vector<std::pair<int64_t, int64_t>> m_blocks;
        bool m_committed = false;
    };

    explicit Impl(std::size_t plexWords);

    // ---- records (substitute_host.cpp) ----
    int64_t NewSmallBead();  // below the first stream bead; std::length_error when used up
    void CreateRecord(int64_t bead, int64_t integerWords, int64_t realWords);
    void FreeRecord(int64_t bead);
    const RecordPlace* Find(int64_t bead) const;
    int64_t* IntegerWords(int64_t bead);  // null unknown
    double* RealWords(int64_t bead);      // null none
    void SetIntegerWord(int64_t bead, int word, int64_t value) { IntegerWords(bead)[word] = value; }

    // ---- components (components.cpp) ----
    void LayoutComponents();
    int64_t ComponentIndexFromId(const std::string& id) const;    // from 1, 0 unknown
    int64_t ComponentIndexFromCas(const std::string& cas) const;  // from 1, 0 unknown
    std::string CasOf(int64_t number) const;                      // component from 1
    double MolecularWeight(int64_t number, bool nonconventional) const;

    // ---- stream classes and streams (streams.cpp) ----
    const StreamClass* ClassOfStream(int64_t streamBead) const;  // null: not a stream
    const StreamClass& ClassOfStreamOrThrow(int64_t streamBead) const;
    const SubstreamLayout& SubstreamOrThrow(int64_t streamBead, int substream) const;
    int64_t CreateStream(int64_t classBead, const StreamClass& streamClass, Rollback& rollback);
    int64_t FinishClass(int64_t classBead, StreamClass streamClass, Rollback& rollback);
    int64_t AllocateStream(int64_t kind, int64_t length, int64_t& status);
    void FreeAllocatedStream(int64_t bead);
    int64_t StreamOfVector(const double* vector);  // bead, 0 when none (flash_services.cpp)

    // ---- moisture (thermo_builder.cpp) ----
    // Places the moisture attribute of the class's NC substreams; std::invalid_argument when
    // one lacks it or holds it elsewhere than the classes before.
    void PlaceMoistureAttribute(const StreamClass& streamClass);

    // ---- messages (messages.cpp) ----
    bool CheckLevel(LevelCheckCall call);
    void PrintErrors(int64_t lines);
    void WriteRecord(int64_t unit, const int64_t* words, int64_t count);
    std::string ErrorLine(int line) const;  // 80 characters, NULs as blanks

    Plex plex;
    std::unordered_map<int64_t, RecordPlace> records;
    int64_t nextSmallBead = kFirstSmallBead;
    int64_t nextStreamBead = kFirstBuilderStream;
    int64_t nextAllocatedBead = records::kAllocatedBeadBase + 1;
    int64_t nextStreamSerial = 1;
    std::set<int64_t> builderStreams;
    std::set<int64_t> allocatedStreams;
    std::map<int64_t, StreamClass> classes;

    // Word arrays the library reads in place.
    std::array<int64_t, 64> globals{};
    std::array<double, 32> realGlobals{};
    std::array<int64_t, 2> componentCounts{};
    std::array<int64_t, 2> propertyTable{};
    std::array<int64_t, 16> offsetCommon{};
    std::array<int64_t, kErrorBufferLines * records::kErrorLineWords> errorBuffer{};
    std::array<int64_t, 32> streamWork{};
    std::array<int64_t, 32> streamWork2{};
    std::array<int64_t, 8> flashCommon{};
    std::array<int64_t, 8> summaryGlobals{};
    std::array<int64_t, 4> propIterationCommon{};

    // Components and their tables in the plex (laid out with the first stream class).
    std::vector<Component> components;
    std::vector<std::string> nonconventional;
    bool componentsLaidOut = false;
    std::map<std::string, ParameterBlock> parameters;
    std::map<std::string, int64_t> commonBlocks;  // name -> offset
    std::set<std::string> hiddenCommonBlocks;     // laid out, but not served
    int64_t casTablePosition = 0;                 // CAS of component k at 4 (k - 1) words on
    int64_t solidListPosition = 0;
    int64_t solidCount = 0;

    // Settings.
    int64_t flashOptionsBead = 0;
    int64_t polymerDescriptorBead = 0;
    std::vector<int64_t> polymerRecords;
    PolymerSetup polymerSetup;
    double ambientPressure = 101325.0;
    std::array<double, 5> dynamicValues{};
    int64_t dynamicFlags = 0;
    std::function<bool(const LevelCheckCall&)> levelCheck;  // empty: level <= print level
    bool refuseFlash = false;
    std::function<bool(const FlashCall&)> refuseFlashWhen;  // empty: as refuseFlash says
    bool failAllocation = false;

    std::deque<Block> blocks;  // stable addresses: the library keeps pointers into them

    // Captures.
    std::vector<std::string> historyLines;
    std::vector<std::vector<std::string>> prints;
    std::vector<std::string> reportLines;
    std::vector<SummaryEntry> summary;
    std::string summaryBlock, summarySubstream;  // where the next summary entry goes
    std::vector<LevelCheckCall> levelChecks;
    std::vector<FlashCall> flashCalls;
    std::vector<UserPropertyCall> userPropertyCalls;
    double flashSeconds = 0.0;  // wall time spent solving flashes
    std::vector<int64_t> storedEquilibria;

    std::map<int64_t, Reaction> reactions;  // by bead of the reaction record
    std::vector<ReactiveFlashCall> reactiveFlashCalls;

    ThermoState thermo;
    MonitorState monitors;
};

}  // namespace brixel::host
