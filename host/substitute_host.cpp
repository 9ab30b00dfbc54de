#include "host/substitute_host.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "host/substitute_host_impl.h"
#include "host/validation.h"

namespace brixel::host {

namespace {

SubstituteHost* g_current = nullptr;

constexpr int64_t kDescriptorWords = records::kDescriptorDefault + 1;
constexpr int64_t kDefaultDescriptorWords = 16;
constexpr int64_t kGlobalOptionsWords = 32;
constexpr int64_t kFlashOptionsWords = 24;
constexpr int64_t kPolymerDescriptorWords = 16;
constexpr int64_t kPolymerOptionsWords = 16;

// Flash defaults: two phases (vapour-liquid), phase 1, mass-balance tolerance.
constexpr int64_t kDefaultPhaseCount = 2;
constexpr int64_t kDefaultPhase = 1;
constexpr double kDefaultTolerance = 1e-5;

}  // namespace

// ---- Impl: records -------------------------------------------------------------------------

SubstituteHost::Impl::Impl(std::size_t plexWords) : plex(plexWords) {
    using namespace records;
    globals[kGlobalHistoryUnit] = kHistoryUnit;
    globals[kGlobalReportUnit] = kReportUnit;
    globals[kGlobalMissing] = kIntegerMissing;
    realGlobals[kRealGlobalMissing] = kRealMissing;
    realGlobals[kRealGlobalSmallest] = kRealSmallest;
    realGlobals[kRealGlobalTemperatureMin] = kDefaultTemperatureMin;
    realGlobals[kRealGlobalTemperatureMax] = kDefaultTemperatureMax;
    realGlobals[kRealGlobalPressureMin] = kDefaultPressureMin;
    realGlobals[kRealGlobalPressureMax] = kDefaultPressureMax;
    errorBuffer.fill(PackText("    ", 4)[0]);

    CreateRecord(kDescriptorBead, kDescriptorWords, 0);
    const int64_t defaultDescriptor = NewSmallBead();
    CreateRecord(defaultDescriptor, kDefaultDescriptorWords, 0);
    SetIntegerWord(kDescriptorBead, kDescriptorDefault, defaultDescriptor);

    CreateRecord(kGlobalOptionsBead, kGlobalOptionsWords, 0);
    flashOptionsBead = NewSmallBead();
    CreateRecord(flashOptionsBead, kFlashOptionsWords, kFlashOptionsWords);
    SetIntegerWord(kGlobalOptionsBead, kOptionsFlashOptions, flashOptionsBead);
    SetIntegerWord(flashOptionsBead, kFlashOptionsPhaseCount, kDefaultPhaseCount);
    SetIntegerWord(flashOptionsBead, kFlashOptionsPhase, kDefaultPhase);
    RealWords(flashOptionsBead)[kFlashOptionsTolerance] = kDefaultTolerance;
}

int64_t SubstituteHost::Impl::NewSmallBead() {
    if (nextSmallBead >= records::kFirstStreamBead) {
        throw std::length_error("no bead left for another class, attribute or option record");
    }
    return nextSmallBead++;
}

void SubstituteHost::Impl::CreateRecord(int64_t bead, int64_t integerWords, int64_t realWords) {
    if (records.count(bead) != 0) {
        throw std::logic_error("bead " + std::to_string(bead) + " is already in use");
    }
    RecordPlace place;
    place.integerLength = std::max<int64_t>(integerWords, 1);
    place.integerPosition = plex.Allocate(place.integerLength);
    if (realWords > 0) {
        try {
            place.realPosition = plex.Allocate(realWords);
        } catch (...) {
            plex.Release(place.integerPosition, place.integerLength);
            throw;
        }
        place.realLength = realWords;
    }
    records.emplace(bead, place);
}

void SubstituteHost::Impl::FreeRecord(int64_t bead) {
    const auto found = records.find(bead);
    if (found == records.end()) {
        return;
    }
    const RecordPlace& place = found->second;
    plex.Release(place.integerPosition, place.integerLength);
    if (place.realPosition != 0) {
        plex.Release(place.realPosition, place.realLength);
    }
    records.erase(found);
}

const SubstituteHost::Impl::RecordPlace* SubstituteHost::Impl::Find(int64_t bead) const {
    const auto found = records.find(bead);
    return found == records.end() ? nullptr : &found->second;
}

int64_t* SubstituteHost::Impl::IntegerWords(int64_t bead) {
    const RecordPlace* place = Find(bead);
    return place == nullptr ? nullptr : &plex.Integer(place->integerPosition);
}

double* SubstituteHost::Impl::RealWords(int64_t bead) {
    const RecordPlace* place = Find(bead);
    return place == nullptr || place->realPosition == 0 ? nullptr : &plex.Real(place->realPosition);
}

SubstituteHost::Impl::Rollback::~Rollback() {
    if (m_committed) {
        return;
    }
    for (auto bead = m_beads.rbegin(); bead != m_beads.rend(); ++bead) {
        m_impl.FreeRecord(*bead);
    }
    for (const auto& [position, words] : m_blocks) {
        m_impl.plex.Release(position, words);
    }
}

// ---- SubstituteHost: lifetime and plex -----------------------------------------------------

SubstituteHost::SubstituteHost(std::size_t plexWords) {
    if (g_current != nullptr) {
        throw std::logic_error("a substitute host already exists; only one may live at a time");
    }
    m_impl = std::make_unique<Impl>(plexWords);
    g_current = this;
}

SubstituteHost::~SubstituteHost() {
    if (g_current == this) {
        g_current = nullptr;
    }
}

SubstituteHost* SubstituteHost::Current() {
    return g_current;
}

int64_t* SubstituteHost::IntegerView() {
    return m_impl->plex.Integers();
}
double* SubstituteHost::RealView() {
    return m_impl->plex.Reals();
}
std::size_t SubstituteHost::Capacity() const {
    return m_impl->plex.Capacity();
}

int64_t SubstituteHost::IntegerRecordPosition(int64_t bead) const {
    const auto* place = m_impl->Find(bead);
    return place == nullptr ? 0 : place->integerPosition;
}

int64_t SubstituteHost::RealRecordPosition(int64_t bead) const {
    const auto* place = m_impl->Find(bead);
    return place == nullptr ? 0 : place->realPosition;
}

int64_t* SubstituteHost::IntegerRecord(int64_t bead) {
    return m_impl->IntegerWords(bead);
}
double* SubstituteHost::RealRecord(int64_t bead) {
    return m_impl->RealWords(bead);
}

// ---- blocks ----------------------------------------------------------------------------------

Block& SubstituteHost::AddBlock(const std::string& id, std::vector<int64_t> inlets,
                                std::vector<int64_t> outlets, int64_t printLevel) {
    RequireName(id, records::kIdChars, "block ID");
    if (printLevel < 0) {
        throw std::invalid_argument("print level must not be negative");
    }
    for (const auto* beads : {&inlets, &outlets}) {
        for (const int64_t bead : *beads) {
            if (m_impl->builderStreams.count(bead) == 0 &&
                m_impl->allocatedStreams.count(bead) == 0) {
                throw std::invalid_argument("block " + id + ": " + std::to_string(bead) +
                                            " is not a stream bead");
            }
        }
    }
    Block block;
    const auto packed = PackText(id, records::kIdChars);
    std::copy(packed.begin(), packed.end(), block.id.begin());
    block.statusBlock[records::kStatusPrintLevel] = printLevel;
    block.statusBlock[records::kStatusPrintLevel2] = printLevel;
    block.statusBlock[records::kStatusFlashEnabled] = 1;
    block.statusBlock[records::kStatusOutcome] = records::kOutcomePreset;
    block.inlets = std::move(inlets);
    block.outlets = std::move(outlets);
    return m_impl->blocks.emplace_back(std::move(block));
}

// ---- settings --------------------------------------------------------------------------------

void SubstituteHost::SetFlashLimits(double tMin, double tMax, double pMin, double pMax) {
    RequireNonNegative(tMin, "lower temperature limit");
    RequireNonNegative(pMin, "lower pressure limit");
    RequireFinite(tMax, "upper temperature limit");
    RequireFinite(pMax, "upper pressure limit");
    if (tMax <= tMin || pMax <= pMin) {
        throw std::invalid_argument("flash limits: each upper limit must exceed its lower limit");
    }
    auto& real = m_impl->realGlobals;
    real[records::kRealGlobalTemperatureMin] = tMin;
    real[records::kRealGlobalTemperatureMax] = tMax;
    real[records::kRealGlobalPressureMin] = pMin;
    real[records::kRealGlobalPressureMax] = pMax;
}

void SubstituteHost::SetAmbientPressure(double pascal) {
    RequirePositive(pascal, "ambient pressure");
    m_impl->ambientPressure = pascal;
}

void SubstituteHost::SetPolymers(const PolymerSetup& setup) {
    RequireFinite(setup.parameter, "polymer parameter");
    const auto lists = {&setup.polymers, &setup.oligomers, &setup.catalysts};
    for (const auto* list : lists) {
        for (const int64_t number : *list) {
            if (number < 1 || number > ConventionalCount()) {
                throw std::invalid_argument("polymer set-up: no conventional component " +
                                            std::to_string(number));
            }
        }
    }
    Impl& impl = *m_impl;
    Impl::Rollback rollback(impl);
    std::vector<int64_t> made;
    auto newRecord = [&](int64_t integerWords, int64_t realWords) {
        const int64_t bead = impl.NewSmallBead();
        impl.CreateRecord(bead, integerWords, realWords);
        rollback.AddRecord(bead);
        made.push_back(bead);
        return bead;
    };
    const int64_t descriptor = newRecord(kPolymerDescriptorWords, 0);
    const int64_t options = newRecord(kPolymerOptionsWords, 1);
    impl.SetIntegerWord(descriptor, records::kPolymerOptions, options);
    impl.SetIntegerWord(options, records::kPolymerOptionsSolidmer, setup.solidmerFlag);
    impl.SetIntegerWord(options, records::kPolymerOptionsOption, setup.option);
    impl.RealWords(options)[records::kPolymerOptionsParameter] = setup.parameter;
    const std::pair<int, const std::vector<int64_t>*> listWords[] = {
        {records::kPolymerPolymerList, &setup.polymers},
        {records::kPolymerOligomerList, &setup.oligomers},
        {records::kPolymerCatalystList, &setup.catalysts}};
    for (const auto& [word, list] : listWords) {
        const auto count = static_cast<int64_t>(list->size());
        const int64_t bead = newRecord(count + 1, 0);
        int64_t* listRecord = impl.IntegerWords(bead);
        listRecord[0] = count;
        std::copy(list->begin(), list->end(), listRecord + 1);
        impl.SetIntegerWord(descriptor, word, bead);
    }
    rollback.Commit();
    for (const int64_t old : impl.polymerRecords) {
        impl.FreeRecord(old);
    }
    impl.polymerRecords = std::move(made);
    impl.polymerDescriptorBead = descriptor;
    impl.polymerSetup = setup;
}

void SubstituteHost::SetDynamicSettings(const std::array<double, 5>& values, int64_t flags) {
    for (const double value : values) {
        RequireFinite(value, "dynamic setting");
    }
    m_impl->dynamicValues = values;
    m_impl->dynamicFlags = flags;
}

void SubstituteHost::SetFlashOptions(int64_t phaseCount, int64_t phase, double tolerance) {
    RequirePositive(tolerance, "flash tolerance");
    Impl& impl = *m_impl;
    impl.SetIntegerWord(impl.flashOptionsBead, records::kFlashOptionsPhaseCount, phaseCount);
    impl.SetIntegerWord(impl.flashOptionsBead, records::kFlashOptionsPhase, phase);
    impl.RealWords(impl.flashOptionsBead)[records::kFlashOptionsTolerance] = tolerance;
}

int64_t SubstituteHost::FlashOptionsBead() const {
    return m_impl->flashOptionsBead;
}

void SubstituteHost::SetLevelCheck(std::function<bool(const LevelCheckCall&)> decide) {
    m_impl->levelCheck = std::move(decide);
}

void SubstituteHost::SetRefuseFlash(bool refuse) {
    m_impl->refuseFlash = refuse;
    m_impl->refuseFlashWhen = nullptr;
}
void SubstituteHost::SetRefuseFlashWhen(std::function<bool(const FlashCall&)> refuse) {
    m_impl->refuseFlash = false;
    m_impl->refuseFlashWhen = std::move(refuse);
}
void SubstituteHost::SetFailAllocation(bool fail) {
    m_impl->failAllocation = fail;
}
void SubstituteHost::HideCommonBlock(const std::string& name) {
    m_impl->hiddenCommonBlocks.insert(name);
}

// ---- captures --------------------------------------------------------------------------------

const std::vector<std::string>& SubstituteHost::HistoryLines() const {
    return m_impl->historyLines;
}

const std::vector<std::string>& SubstituteHost::ReportLines() const {
    return m_impl->reportLines;
}

const std::vector<SummaryEntry>& SubstituteHost::Summary() const {
    return m_impl->summary;
}

const std::vector<std::vector<std::string>>& SubstituteHost::Prints() const {
    return m_impl->prints;
}

std::vector<std::string> SubstituteHost::PrintedLines() const {
    std::vector<std::string> lines;
    for (const auto& print : m_impl->prints) {
        lines.insert(lines.end(), print.begin(), print.end());
    }
    return lines;
}

std::string SubstituteHost::ErrorBufferLine(int line) const {
    if (line < 1 || line > kErrorBufferLines) {
        throw std::out_of_range("error-buffer line " + std::to_string(line) +
                                " is outside 1 ... 100");
    }
    return m_impl->ErrorLine(line);
}

const std::vector<LevelCheckCall>& SubstituteHost::LevelChecks() const {
    return m_impl->levelChecks;
}

double SubstituteHost::FlashSeconds() const {
    return m_impl->flashSeconds;
}

const std::vector<FlashCall>& SubstituteHost::FlashCalls() const {
    return m_impl->flashCalls;
}

const std::vector<UserPropertyCall>& SubstituteHost::UserPropertyCalls() const {
    return m_impl->userPropertyCalls;
}

const std::vector<int64_t>& SubstituteHost::StoredEquilibria() const {
    return m_impl->storedEquilibria;
}

std::size_t SubstituteHost::LiveAllocations() const {
    return m_impl->allocatedStreams.size();
}

void SubstituteHost::ClearCaptures() {
    m_impl->historyLines.clear();
    m_impl->reportLines.clear();
    m_impl->summary.clear();
    m_impl->prints.clear();
    m_impl->levelChecks.clear();
    m_impl->flashCalls.clear();
    m_impl->userPropertyCalls.clear();
    m_impl->flashSeconds = 0.0;
    m_impl->storedEquilibria.clear();
    m_impl->reactiveFlashCalls.clear();
}

bool SubstituteHost::WriteCaptures(const std::string& directory) const {
    const std::filesystem::path folder(directory);
    auto writeLines = [&](const char* name, const std::vector<std::string>& lines) {
        std::ofstream file(folder / name);
        for (const auto& line : lines) {
            file << line << '\n';
        }
        file.close();
        return !file.fail();
    };
    const bool history = writeLines("history.txt", m_impl->historyLines);
    const bool messages = writeLines("messages.txt", PrintedLines());
    return history && messages;
}

}  // namespace brixel::host
