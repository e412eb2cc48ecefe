#pragma once

// Event codes of the serial component's notification, numbered as the
// classic communications control numbers them.
enum CommEventCode : short {
    comEvReceive = 2,       // characters received
    comEventRxOver = 1008,  // receive buffer full: bytes were lost
    comEventPortLost = 1100 // the device went away or a read failed
};
