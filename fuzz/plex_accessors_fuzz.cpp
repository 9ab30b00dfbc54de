// Plex views, bead records and component tables through the exported C accessors, with
// positions, beads, indexes and names as a hostile caller would pass them.
#include <cstdint>
#include <cstring>
#include <string>

#include "brixel/exports/plex_exports.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/host_setup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    brixel::fuzz::FuzzInput in(data, size);
    brixel::fuzz::SmallHost small;
    char buffer[32];
    while (!in.Empty()) {
        const int64_t number = in.Take<int64_t>();
        std::memset(buffer, 'x', sizeof buffer);
        switch (in.Below(14)) {
            case 0:
                if (int64_t* word = iplex_ptr(number)) {
                    (void)*word;
                }
                break;
            case 1:
                if (double* word = rplex_ptr(number)) {
                    (void)*word;
                }
                break;
            case 2: {
                int64_t* integers = nullptr;
                double* reals = nullptr;
                mplex_bead(number, in.Byte() & 1 ? &integers : nullptr, &reals);
                (void)iplex_bead(number);
                (void)rplex_bead(number);
                break;
            }
            case 3:
                (void)ptrToIPlex(iplex_ptr(number));
                (void)ptrToRPlex(reinterpret_cast<const double*>(number));
                break;
            case 4:
                componentId(number, buffer);
                break;
            case 5:
                componentIdNC(number, buffer);
                break;
            case 6:
                componentFormula(number, buffer);
                break;
            case 7:
                componentCASN(number, buffer);
                break;
            case 8: {
                const std::string parameter = in.Text(12);
                const std::string id = in.Text(12);
                (void)componentProperty(parameter.c_str(), id.c_str());
                (void)componentProperty(nullptr, id.c_str());
                break;
            }
            case 9:
                (void)COMPMW(&number);
                (void)COMPMW(nullptr);
                break;
            case 10: {
                const int64_t substream = in.Take<int64_t>();
                const int64_t position = in.Take<int64_t>();
                int64_t result = 0;
                const int64_t bead = in.Byte() & 1 ? small.feed : number;
                MOISTOFF(&bead, &substream, &position, &result);
                break;
            }
            case 11: {
                double limits[4];
                GETFLASHLIMITS(&limits[0], nullptr, &limits[2], &limits[3]);
                int64_t count = 0;
                GETNCOMPNCC(&count);
                GETNCOMPNNCC(nullptr);
                (void)GETRMISS();
                (void)GETRMIN();
                (void)GETIMISS();
                break;
            }
            case 12:
                (void)GetDefaultDescriptor();
                break;
            default:
                if (in.Byte() & 1) {
                    SETUPCPLEX();
                    break;
                }
                C_SETUP_PLEX(in.Byte() & 1 ? nullptr : small.host.IntegerView(),
                             small.host.RealView());
                break;
        }
    }
    return 0;
}
