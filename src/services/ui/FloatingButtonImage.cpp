#include "services/ui/FloatingButtonImage.h"

#include "util/Base64.h"

namespace NuvraMobile {

namespace {

// A red disc with a white ring on a transparent ground.
constexpr const char* BUTTON_IMAGE_BASE64 =
    "iVBORw0KGgoAAAANSUhEUgAAAJYAAACWCAYAAAA8AXHiAAACg0lEQVR42u3dwVEEMQxFwQ2MEMg/BQ4EAQcSACx59O1W1bsz3i55"
    "DlvL62WMMcYY8zNfi+ME4dk+Th4k0EwWJshgggymc8cnDBRgQAFmNoP6eH/7XAmwy0GtApoCjpCHUe2GtBMaKZtBTcPUjYycRlAp"
    "mDqRkVSIKh1UNTCiFlGdBqoSGFBAAfY0qttAVQGDCqg2YFBBBVcnKnh6gEEluKCCaywqOPYDg0pwQQUXVHBl4IIKLqjgysAF1Rm4"
    "oNLZuKCCCypl4AILLKiUgQuqO3BBpWxcrkBXom2ljK0FFVxgKQMWVHC14AILrHJYUMHVggsssMphQQVXCy6wwHoElg/iTly2leZt"
    "LajgAksZsFyDarkOoVLL1gJL5bBcg2q5DqFSy9YCS2ApA5b3K7W8Z0Gllq0FlsASWAILLIGlAFhQqQUXWAJLYAkssASWwBJYYAks"
    "gSWwwBJYAktggSWwBJZ8Jwsu+QapwBJYYAksgSWw4IKq6sfXwJLfxxJYAst7lmrfr2wttWwrsPQoLLigavt/Og7ftgJLObDgcg3a"
    "WpqxrWwtqMBSHiy4oGpBBRZYbbDggqoFFVhgtcGCC6pX14AFFlzKQfVbWHCdhWoLLFvLtoJLWahcia5AuJSFCiyw4FIWKriggguq"
    "PFR/gQXXXFQjYcEFFVxQZaGCCyq4oMpDBRdUo3ABtgdUPCq4oIILqntwAVYH6lhUcEE1Ehdg/wN1DapVXDcCWzmr160DGFAjcZ0I"
    "bPU8iCrEdQKwijMgqRFYErKq5yVnM7CJyCqfjZSHcT0Jres5CBkKrBrcrr+TiFBgU4cAwIACDChzATKfJGQwQQaTORSak4cOHmOM"
    "McaszjfX32E+2FpMlQAAAABJRU5ErkJggg==";

}  // namespace

std::string FloatingButtonImageData() { return DecodeBase64IgnoringUnknown(BUTTON_IMAGE_BASE64).value_or(""); }

}  // namespace NuvraMobile
