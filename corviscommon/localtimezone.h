#pragma once

namespace corvis {

// Names the system's zone file in TZ when TZ is unset. Local time stays exactly as before, but
// the C library then reads the zone once instead of checking /etc/localtime on every local-time
// conversion (each log line makes one). A TZ that is set, even empty (UTC), is left alone.
// Call before any thread starts: it changes the environment.
void pinLocalTimeZone();

}  // namespace corvis
