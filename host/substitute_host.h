#pragma once

// The substitute host: a small simulator core that plays the host process for the library.
// One SubstituteHost object is the simulator; while it lives it is the "current" host and
// every extern "C" Host* function of brixel/framework/host_interface.h serves it. Tests make
// a fresh one per test; only one may exist at a time.
//
// Plex layout (beyond the word positions the library reads, see brixel/framework/records.h):
// - The plex is one fixed-capacity array of 64-bit words; addresses never move. Words 1 ... 16
//   are reserved, so no record starts at position 1 and 0 can mean "not found".
// - Every record has a bead. A bead maps to an integer record and, for streams, attribute
//   records and option records, a real record. Beads: 2 the run descriptor, 3 the global
//   options, small numbers for class, attribute and option records, 1 000 001 on for streams
//   built here, above 400 000 000 for streams from HostAllocate.
// - Component tables (IDs, "MW", "TB", "FRMULA", CAS numbers) are laid out in the plex when
//   the first stream class is added; components cannot be added after that.
// - A stream-class record holds its 8-character type in words 2-3 and its substream table
//   from word 12; a stream record is 16 words, word 10 a serial number of the stream.
// - Substream-class slot i: word 0 attribute bead, word 1 offset of the attribute's values
//   from the substream's first word, word 2 number of values. A "PSD" attribute record holds
//   in integer word 4 the number of intervals n, and in its real record the n + 1 boundaries.
//
// Values the host chooses: real missing 1e35, smallest positive real 1e-35, integer missing
// -2147483647, history on I/O unit 8, print level 4 unless a block says otherwise.
//
// Thermodynamics (host/thermo.h, host/flash.h): ideal gas, Raoult's law, ideal liquid mixing,
// inert solids; data from a small databank of real substances (host/databank.h). Enthalpy
// reference: the ideal gas at 298.15 K is 0 for every fluid; liquids lie below it by the heat
// of vaporization; solids count from 298.15 K. Entropy: 0 for the ideal gas at 298.15 K and
// 101325 Pa and for solids at 298.15 K. Components added with AddComponent carry no such data:
// a flash of substreams in which one of them has flow is refused (status -5), as is any flash
// the host cannot do (status < 0, the stream untouched; codes in host/flash.h).
// The non-conventional component "COAL" takes the databank's coal data by its ID (constant heat
// capacity and density); other NC components have none. NC flows count as mass (MW 1).
//
// Flash results (host/stream_flash.h): after a flash that covers the first substream, the
// stream-work data name the MIXED substream's volatile components with flow (1-based), their
// liquid (A) and vapour (B) mole fractions, C = A, D = 0 and beta = 1. HostStoreEquilibrium
// keeps them with a stream when they are that stream's; HostGetStoredEquilibrium puts them back.
//
// Moisture of NC components: SetMoistureAttribute names an attribute that every NC substream
// then carries with one value per NC component (mass % wet basis, missing until SetMoisture),
// at the same place in each. HostOffsetCommon word 9 points at a table of entries, one per NC
// component: MOISTOFF called with the 1-based NC component number as position gives the 1-based
// position of that component's moisture value in the stream vector.
//
// Property monitors (host/property_monitors.cpp): the flash's enthalpies and volumes, and
// transport properties from the correlations of host/transport.h, for databank components only.
//
// "TMVK" (melting temperature of a polymer, K) is a component parameter like any other
// (Component::parameters); HostPolymerMeltTemperature lists the components that have it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace brixel::host {

constexpr double kRealMissing = 1e35;
constexpr double kRealSmallest = 1e-35;
constexpr int64_t kIntegerMissing = -2147483647;
constexpr int64_t kHistoryUnit = 8;
constexpr int64_t kReportUnit = 9;
// Flash limits of a fresh host: K and Pa.
constexpr double kDefaultTemperatureMin = 10.0;
constexpr double kDefaultTemperatureMax = 10000.0;
constexpr double kDefaultPressureMin = 1.0;
constexpr double kDefaultPressureMax = 1e9;

struct Component {
    std::string id;              // at most 8 characters
    double molecularWeight = 0;  // kg/kmol ("MW")
    double boilingPoint = 0;     // K ("TB")
    std::string formula{};       // at most 12 characters ("FRMULA")
    std::string cas{};           // at most 16 characters
    bool conventionalSolid = false;
    // Further parameters by name (at most 8 characters), laid out like "MW": a parameter of w
    // values per component; components without it, or with fewer values, read kRealMissing.
    std::map<std::string, std::vector<double>> parameters{};
};

struct Attribute {
    std::string name;          // "PSD" or a component attribute name, at most 8 characters
    std::vector<double> mesh;  // PSD: n + 1 interval boundaries (m)
    int valueCount = 0;        // values in the stream vector; for a PSD, mesh.size() - 1
};

Attribute Psd(std::vector<double> mesh);  // a "PSD" attribute on this mesh

struct Substream {
    std::string id;  // at most 8 characters
    int64_t type;    // 1 MIXED, 2 CISOLID, 3 NC
    std::vector<Attribute> attributes{};
};

// State of one substream as the builder writes it. Missing entries stay at kRealMissing.
struct SubstreamState {
    std::vector<double> flows;  // kmol/s per component of the substream (NCC, or NNCC for NC)
    double temperature = kRealMissing;
    double pressure = kRealMissing;
    double enthalpy = kRealMissing;
    double vaporFraction = kRealMissing;
    double liquidFraction = kRealMissing;
    double entropy = kRealMissing;
    double density = kRealMissing;
    std::vector<double> psd;  // fractions of the substream's first PSD attribute, or empty
};

// Host-owned arrays of one block, at stable addresses for the life of the host.
struct Block {
    std::array<int64_t, 2> id{};           // packed block ID, 8 characters
    std::array<int64_t, 8> statusBlock{};  // word 0 print level, 1 second level, 2 flash on,
                                           // 4 outcome (-9999 preset)
    std::array<int64_t, 16> methodSet{};   // property-method set (NBOPST)
    std::vector<int64_t> intParameters;
    std::vector<double> realParameters;
    std::vector<int64_t> inlets;   // stream beads
    std::vector<int64_t> outlets;  // stream beads
};

struct LevelCheckCall {
    std::string tag;  // unpacked, trailing blanks removed
    int64_t level;
    int64_t code;
    int64_t printLevel;
    std::array<int64_t, 4> words;
    bool shown;
};

struct UserPropertyCall {
    std::string name;  // unpacked
    int64_t phase;
    int64_t printLevel;
    double missing;
    std::string units;  // unpacked qualifier
};

struct FlashCall {
    int64_t kode;
    double spec1, spec2, spec3;
    std::vector<int64_t> positions;  // 1-based substream positions in the stream vector
    int64_t phaseCount, phase, iterations;
    double tolerance;
    int64_t printLevel, printLevel2;
};

// One reaction for HostReactiveFlash: it converts `conversion` (0 ... 1) of the key component's
// flow, limited by the scarcest reactant. Coefficients: negative for reactants.
struct Reaction {
    std::vector<std::pair<int64_t, double>> stoichiometry;  // 1-based component, coefficient
    int64_t key = 0;                                        // a reactant
    double conversion = 0.0;
};

// What a HostReactiveFlash call was handed, for tests.
struct ReactiveFlashCall {
    int64_t kode, phaseCount, phase, iterations, reactionCount;
    double duration, tolerance, secondValue;
    int64_t printLevel, propertyLevel, optionSet;
};

// One block-summary entry: under a block and substream, a key with reals or text.
struct SummaryEntry {
    std::string block, substream, key;  // unpacked, trailing blanks removed
    std::vector<double> values;
    std::string text;
};

struct PolymerSetup {
    int64_t solidmerFlag = 0;
    int64_t option = 1;
    double parameter = 0.01;
    std::vector<int64_t> polymers, oligomers, catalysts;  // 1-based component numbers
};

class SubstituteHost {
  public:
    static constexpr std::size_t kDefaultPlexWords = std::size_t{1} << 20;

    explicit SubstituteHost(std::size_t plexWords = kDefaultPlexWords);
    ~SubstituteHost();
    SubstituteHost(const SubstituteHost&) = delete;
    SubstituteHost& operator=(const SubstituteHost&) = delete;

    static SubstituteHost* Current();  // null when no host exists

    // ---- plex ----
    int64_t* IntegerView();  // address of IB(1)
    double* RealView();      // address of B(1), the same memory
    std::size_t Capacity() const;
    int64_t IntegerRecordPosition(int64_t bead) const;  // 0 unknown
    int64_t RealRecordPosition(int64_t bead) const;     // 0 none
    int64_t* IntegerRecord(int64_t bead);               // null unknown
    double* RealRecord(int64_t bead);                   // null none

    // ---- components (all before the first stream class) ----
    int64_t AddComponent(const Component& component);  // returns the 1-based number
    int64_t AddNonconventionalComponent(const std::string& id);
    int64_t ConventionalCount() const;
    int64_t NonconventionalCount() const;
    // A databank substance under its own ID, as the next conventional component: fluids
    // "WATER", "N2", "O2", "AR", "CO2", "ETHANOL"; conventional solids "SIO2", "CACO3", "AL2O3",
    // "NACL". std::invalid_argument for an unknown name.
    int64_t AddDatabankComponent(const std::string& name);
    // Names the moisture attribute of NC components (see above); before the first stream class.
    void SetMoistureAttribute(const std::string& name);

    // ---- stream classes and streams ----
    int64_t AddStreamClass(const std::string& type, const std::vector<Substream>& substreams);
    int64_t AddInformationStreamClass(const std::string& type);  // "HEAT" or "WORK"
    // Builder calls count substreams from 0 and throw std::invalid_argument for a bead that is
    // not a stream, a substream out of range or bad values (the stream is then unchanged).
    int64_t AddStream(int64_t classBead);  // flows 0, all state entries missing
    void SetSubstream(int64_t streamBead, int substream, const SubstreamState& state);
    double* StreamVector(int64_t streamBead);
    // Moisture (mass % wet basis, below 100) of NC component `component` (from 1) in an NC
    // substream carrying the moisture attribute.
    void SetMoisture(int64_t streamBead, int substream, int64_t component, double percent);
    int64_t VectorLength(int64_t streamBead) const;
    int64_t SubstreamOffset(int64_t streamBead, int substream) const;  // word offset from 0
    int64_t SubstreamCount(int64_t streamBead) const;
    // Bead of the substream's first PSD attribute record (its real record is the mesh, the
    // way host models pass a size mesh); 0 when the substream has no PSD.
    int64_t PsdMeshBead(int64_t streamBead, int substream) const;

    // ---- blocks ----
    Block& AddBlock(const std::string& id, std::vector<int64_t> inlets,
                    std::vector<int64_t> outlets, int64_t printLevel = 4);

    // ---- reactions ----
    // Bead of a new reaction record; std::invalid_argument for an unknown component, a key that
    // is no reactant or a conversion outside 0 ... 1.
    int64_t AddReaction(const Reaction& reaction);

    // ---- settings ----
    void SetFlashLimits(double tMin, double tMax, double pMin, double pMax);
    void SetAmbientPressure(double pascal);
    void SetPolymers(const PolymerSetup& setup);
    void SetDynamicSettings(const std::array<double, 5>& values, int64_t flags);
    void SetFlashOptions(int64_t phaseCount, int64_t phase, double tolerance);
    // Moisture components (1-based conventional component numbers) for HostMoistureComponents.
    void SetMoistureComponents(std::vector<int64_t> components);
    // Electrolyte salt table for HostElectrolyteSalts: NCC x NCC finite values, row-major;
    // empty for none. A table made before further components were added is no longer served.
    void SetElectrolyteSalts(std::vector<double> table);
    int64_t FlashOptionsBead() const;

    // ---- misbehaviour for failure-path tests ----
    // Decides HostErrorLevelCheck; default: shown when level <= print level.
    void SetLevelCheck(std::function<bool(const LevelCheckCall&)> decide);
    void SetRefuseFlash(bool refuse);
    // Refuses the flashes for which `refuse` is true, e.g. one flash kode, so that a test can
    // fail one step of a calculation and let the others pass.
    void SetRefuseFlashWhen(std::function<bool(const FlashCall&)> refuse);
    void SetFailAllocation(bool fail);
    // A host without this common data block ("IDXNCC", ...): its offset is answered with 0.
    void HideCommonBlock(const std::string& name);

    // ---- captures ----
    const std::vector<std::string>& HistoryLines() const;         // trailing blanks removed
    const std::vector<std::vector<std::string>>& Prints() const;  // one entry per HostPrintErrors
    std::vector<std::string> PrintedLines() const;                // all printed lines in order
    std::string ErrorBufferLine(int line) const;                  // 80 characters, from 1
    const std::vector<LevelCheckCall>& LevelChecks() const;
    const std::vector<std::string>& ReportLines() const;  // trailing blanks removed
    const std::vector<SummaryEntry>& Summary() const;
    const std::vector<FlashCall>& FlashCalls() const;
    const std::vector<UserPropertyCall>& UserPropertyCalls() const;
    double FlashSeconds() const;  // wall time inside HostFlash solving, since the last clear
    const std::vector<int64_t>& StoredEquilibria() const;  // beads given to HostStoreEquilibrium
    const std::vector<ReactiveFlashCall>& ReactiveFlashCalls() const;
    std::size_t LiveAllocations() const;   // HostAllocate records not yet freed
    int64_t PropertyBracketDepth() const;  // HostPropEnter calls not yet closed by HostPropExit
    void ClearCaptures();
    // Writes history.txt and messages.txt into `directory`; false when a file cannot be written.
    bool WriteCaptures(const std::string& directory) const;

    struct Impl;
    Impl& Internals() { return *m_impl; }  // for the extern "C" services (host/host_api.cpp)

  private:
    std::unique_ptr<Impl> m_impl;
};

// Packs text into words, 4 characters to a word, blank-padded (the host's packed format).
std::vector<int64_t> PackText(const std::string& text, int characters);
std::string UnpackText(const int64_t* words, int characters);  // trailing blanks removed

}  // namespace brixel::host
