#pragma once

// What a notification of the serial link reports in CommEvent(). Only a
// receive makes the capture engine read the port; every other code, these
// two faults or any other number, leaves the port unread.
enum CommEventCode : short {
    comEvReceive = 2,       // characters received
    comEventRxOver = 1008,  // receive buffer full: bytes were lost
    comEventPortLost = 1100 // the device went away or a read failed
};
