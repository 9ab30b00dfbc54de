// Stream-record accessors of CBrixelBaseUnit: thin wrappers over StreamClassView.
#include <cstdint>
#include <memory>

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/framework/host_interface.h"
#include "brixel/framework/plex.h"
#include "brixel/framework/records.h"
#include "brixel/framework/stream_class.h"

int CBrixelBaseUnit::GetNSubs(const int64_t* streamClass) const {
    return static_cast<int>(brixel::StreamClassView{streamClass}.SubstreamCount());
}

int CBrixelBaseUnit::GetIsstype(const int64_t* streamClass, int substream) const {
    return static_cast<int>(brixel::StreamClassView{streamClass}.Type(substream));
}

int64_t* CBrixelBaseUnit::GetLsscl(const int64_t* streamClass, int substream) const {
    return brixel::StreamClassView{streamClass}.SubstreamClass(substream);
}

int CBrixelBaseUnit::GetSubLength(const int64_t* streamClass, int substream) const {
    return static_cast<int>(brixel::StreamClassView{streamClass}.Length(substream));
}

int CBrixelBaseUnit::GetlSuboff(const int64_t* streamClass, int substream) const {
    return static_cast<int>(brixel::StreamClassView{streamClass}.Offset(substream));
}

CString CBrixelBaseUnit::GetSubstreamID(const int64_t* streamClass, int substream) const {
    return CString(brixel::StreamClassView{streamClass}.Id(substream));
}

void CBrixelBaseUnit::GetQuarnStreamInformation(int& port, int64_t*& streamClass,
                                                double*& streamVector, int& ncc, int& nncc) {
    ConvertPortToStreamBeadNumber(port);
    streamClass = brixel::StreamClassOfStream(port);
    streamVector = brixel::plex::RealRecord(port);
    const int64_t* counts = HostComponentCounts();
    ncc = counts ? static_cast<int>(counts[brixel::records::kCountConventional]) : 0;
    nncc = counts ? static_cast<int>(counts[brixel::records::kCountNonconventional]) : 0;
}

int CBrixelBaseUnit::IsInfoStream(int bead, double*& streamVector) const {
    streamVector = brixel::plex::RealRecord(bead);
    const brixel::StreamClassView streamClass{brixel::StreamClassOfStream(bead)};
    if (!streamClass.IsInformation()) {
        return 0;
    }
    const std::string type = streamClass.TypeName();
    if (type == "HEAT") {
        return 1;
    }
    return type == "WORK" ? 2 : 0;
}

bool CBrixelBaseUnit::IsPSD(const int64_t* attributeRecord) const {
    return brixel::IsPsdAttribute(attributeRecord);
}

bool CBrixelBaseUnit::HasPSD(const int64_t* streamClass, int substream) const {
    return brixel::StreamClassView{streamClass}.HasPsd(substream);
}

std::unique_ptr<int64_t[]> CBrixelBaseUnit::Copy2ForInt(int n, const int32_t* values) {
    if (n <= 0 || !values) {
        return nullptr;
    }
    auto copies = std::make_unique<int64_t[]>(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        copies[i] = values[i];
    }
    return copies;
}
