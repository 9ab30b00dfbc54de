#include "cli/default_case.h"

namespace brixel::cli {

std::string_view DefaultCaseText() {
    // Humid air at 300 K (5 g water per kg, well below saturation) carrying 50 g/kg of
    // limestone dust, log-normal around 12 um; the cyclone keeps 90 % of it and loses
    // 1500 Pa.
    return R"(title: gas cyclone taking limestone dust out of air
block: CYCLONE
components: [N2, O2, AR, WATER, CACO3]
stream_class:
  type: MIXCISLD
  substreams:
    - {id: MIXED, type: MIXED}
    - id: CISOLID
      type: CISOLID
      psd_mesh: [1.0e-6, 1.5e-6, 2.0e-6, 3.0e-6, 4.0e-6, 6.0e-6, 8.0e-6, 1.0e-5,
                 1.5e-5, 2.0e-5, 3.0e-5, 4.0e-5, 6.0e-5, 8.0e-5, 1.0e-4]
feed:
  temperature: 300.0
  pressure: 101325.0
  substreams:
    MIXED:
      flows: {N2: 1.510, O2: 0.463, AR: 0.026, WATER: 0.010}
    CISOLID:
      flows: {CACO3: 0.100}
      psd: [0.0034, 0.0074, 0.0279, 0.0426, 0.1084, 0.1144, 0.1055,
            0.2037, 0.1306, 0.1365, 0.0595, 0.0430, 0.0126, 0.0045]
separator:
  fluid: gas
  specifications:
    mass fraction of solids to solid outlet: 0.9
    mass fraction of vapor to vapor outlet: 1.0
  sharpness: 0.6
  offset: 0.0
  class_attribute: particle size
  outlet_state:
    temperature change: 0.0
    pressure change: -1500.0
)";
}

}  // namespace brixel::cli
