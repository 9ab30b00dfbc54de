#pragma once

#include <cstdint>
#include <vector>

#include "brixel/framework/export.h"

class CBrixelBaseUnit;

// One stream of a unit for procedural host models: per-substream access to component flows and
// state entries, a temperature-pressure and a pressure-duty flash, a flash with host reactions
// (CSTR) and a kinetics/adsorption step (KINADS). Substreams count from 0 in the stream class,
// components from 1 within the substream.
class BRIXEL_API QuarnStream {
  public:
    QuarnStream();
    QuarnStream(int stream, CBrixelBaseUnit* unit);
    QuarnStream(int stream, CBrixelBaseUnit* unit, const int64_t* reactions, int count);
    QuarnStream(const QuarnStream& other);
    QuarnStream& operator=(const QuarnStream& other);
    virtual ~QuarnStream();

    void Initialize();  // parameter defaults
    void setUnit(CBrixelBaseUnit* unit);
    void setStream(int stream);  // port number or stream bead; reads the stream's layout
    void setReactions(const int64_t* reactions, int count);

    void setNPhases(int count);
    void setReactionTolerance(double tolerance);
    void setReactionMaxIt(int iterations);
    void setFlashTolerance(double tolerance);
    void setFlashMaxIt(int iterations);
    void setSimDiag(int level);
    void setPropDiag(int level);
    void setStreamDiag(int level);
    void setCtrlDiag(int level);
    int getConvergenceFlag() const;

    // kmol/s. Read and written in the stream vector without telling the host. An unbound
    // object, a substream or component out of range reads the real missing value and writes
    // nothing.
    double getCompFlow(int component, int substream) const;
    void setCompFlow(int component, int substream, double value);
    double getTotalFlow(int substream) const;
    double getTemperature(int substream) const;
    double getPressure(int substream) const;
    double getEnthalpy(int substream) const;
    double getVaporFraction(int substream) const;
    double getLiquidFraction(int substream) const;
    double getEntropy(int substream) const;
    double getDensity(int substream) const;
    double getMolecularWeight(int substream) const;
    void setTotalFlow(double value, int substream);
    void setTemperature(double value, int substream);
    void setPressure(double value, int substream);
    void setEnthalpy(double value, int substream);
    void setVaporFraction(double value, int substream);
    void setLiquidFraction(double value, int substream);
    void setEntropy(double value, int substream);
    void setDensity(double value, int substream);
    void setMolecularWeight(double value, int substream);

    // Flashes of the bound stream through the unit; the result is the unit's FlashStream's.
    bool TPFlash();
    bool PQFlash();
    // Flash with the object's reactions by the host (BXUT_CRFLASH); `secondValue` becomes the
    // second real parameter. The outcome is the convergence flag.
    void CSTR(int64_t* words, int64_t word, double value, double secondValue);
    void KINADS(int64_t word1, int64_t word2, double value1, double value2);

  private:
    double* StateEntry(int substream, int64_t entry) const;  // null when out of range
    double* FlowEntry(int component, int substream) const;   // null when out of range
    double Read(int substream, int64_t entry) const;
    void Write(int substream, int64_t entry, double value);

    std::vector<int64_t> m_naReactions;
    CBrixelBaseUnit* m_pUnit = nullptr;
    int64_t* m_pStreamClass = nullptr;
    double* m_pStreamVector = nullptr;
    int m_nNCC = 0;
    int m_nNNCC = 0;
    int m_nComps = 0;
    // Reaction iteration limit, phases, convergence flag, flash iteration limit, a word fixed
    // at 1, simulation, property, stream and control print levels.
    int64_t m_naIntParams[9] = {};
    // Reaction tolerance, a second value, flash tolerance.
    double m_dblaRealParams[3] = {};
    int m_nStream = 0;
};

extern "C" {

// Flash of a stream with host reactions: the stream's MIXED substream is flashed at the
// specification its state gives (temperature given: TP; else pressure given: PQ at zero duty;
// else PV at its vapour fraction) after the reactions ran. Parameters as QuarnStream holds
// them; the convergence flag (integer parameter 3) receives the host's result, 1 converged,
// -1 not. Null pointers or a stream without a MIXED substream leave everything unchanged.
BRIXEL_API void BXUT_CRFLASH(int64_t* streamBead, int64_t* reactionCount, int64_t* reactions,
                             double* value, int64_t* intParams, double* realParams, int64_t* words,
                             int64_t* word);
// Passes its arguments unchanged to the host's kinetics/adsorption routine.
BRIXEL_API void BXUT_KINADS(int64_t* word1, int64_t* word2, double* value1, double* value2);

}  // extern "C"
