/*
 * Tarnwick sampling board: an ATmega328P at 16 MHz (Arduino Uno, Nano and
 * their clones) streaming the voltage on pin A0 to the scope.
 *
 * Every byte on the line is one reading, from reset on: no banner, header,
 * framing or text, ever. A reading is the high byte of the left-adjusted
 * conversion of ADC0 against AVcc: 0 V reads 0, 5 V reads 255.
 *
 * Line: USART0, transmit only, 8 data bits, no parity, 2 stop bits.
 *   U2X with UBRR0 = 16: 16 MHz / (8 x 17) = 117,647 baud, 2.1 % above
 *   115,200, inside what an 8N2 receiver tolerates (the usual setting).
 *   One byte is 11 bits of 8 x 17 cycles: 1496 cycles = 93.50 us, so
 *   10,695 readings a second.
 *
 * Timing: the transmitter paces the conversions, one per byte.
 *   - The data register empties when its byte moves into the shift register:
 *     UDRE starts a conversion and masks itself.
 *   - The conversion ends: ADC puts the reading into the data register and
 *     unmasks UDRE, which fires again when that reading moves on into the
 *     shift register, exactly one byte time (1496 cycles) after the one
 *     before it did.
 *   So conversions are asked for 1496 cycles apart, and the readings are
 *   93.50 us apart: the scope's time per sample is the board's sampling
 *   interval.
 *   Prescaler 64 (250 kHz ADC clock): a conversion begins at the ADC clock's
 *   next edge (up to 64 cycles after it is asked for), holds the input 1.5
 *   ADC clocks later and takes 13 ADC clocks, so it ends about 900 cycles
 *   after UDRE at the latest, well inside the 1496 cycles the byte ahead of it spends in
 *   the shift register: the line never idles. (Prescaler 128 would take up
 *   to 1792 cycles, longer than a byte. 250 kHz is above the 200 kHz full
 *   10-bit accuracy asks for, which does not matter for the 8 bits kept.)
 *   Waiting for the ADC clock delays each reading by 0 to 4 us in a pattern
 *   that repeats every 8 bytes (8 x 1496 = 187 x 64 cycles), so readings are
 *   93.50 us apart on average and each within 4 us of that.
 *   The first conversion after reset takes 25 ADC clocks (1600 cycles), and
 *   the first byte meets an idle shift register, so the first two
 *   conversions are asked for 1600 to 1700 cycles apart; from the second
 *   on, 1496 as above.
 *
 * Between interrupts the CPU sleeps in idle mode (the USART and the ADC keep
 * their clocks); the unused timers, SPI and TWI are powered down.
 *
 * Size (-Os): 352 bytes of flash with avr-gcc 5.4 (Debian 12), 316 with 14.2
 * (Debian 13); no RAM besides the stack.
 */
#include <avr/interrupt.h>
#include <avr/io.h>
#include <avr/power.h>
#include <avr/sleep.h>
#include <avr/wdt.h>

#define UBRR_VALUE 16 /* with U2X: F_CPU / (8 x (16 + 1)) = 117,647 baud */

/* The control registers are written whole, never read back and modified:
 * writing ADCSRA's value back would clear a pending ADIF. */
#define ADC_ON (_BV(ADEN) | _BV(ADIE) | _BV(ADPS2) | _BV(ADPS1)) /* prescaler 64 */
#define TX_ON _BV(TXEN0)

ISR(USART_UDRE_vect)
{
    UCSR0B = TX_ON;
    ADCSRA = ADC_ON | _BV(ADSC);
}

ISR(ADC_vect)
{
    UDR0 = ADCH;
    UCSR0B = TX_ON | _BV(UDRIE0);
}

int main(void)
{
    /* A watchdog reset leaves the watchdog running; this program never
     * feeds it. */
    MCUSR = 0;
    wdt_disable();

    power_timer0_disable();
    power_timer1_disable();
    power_timer2_disable();
    power_spi_disable();
    power_twi_disable();

    /* AVcc reference, channel 0, result left-adjusted: ADCH is the reading. */
    ADMUX = _BV(REFS0) | _BV(ADLAR);
    DIDR0 = _BV(ADC0D); /* A0 carries an analogue signal only */
    ADCSRA = ADC_ON;

    /* Frame format and speed before the baud register, the way the data
     * sheet's examples order it. */
    UCSR0A = _BV(U2X0);
    UCSR0C = _BV(USBS0) | _BV(UCSZ01) | _BV(UCSZ00);
    UBRR0 = UBRR_VALUE;
    /* The data register is empty, so UDRE fires at once and starts the
     * first conversion. */
    UCSR0B = TX_ON | _BV(UDRIE0);

    set_sleep_mode(SLEEP_MODE_IDLE);
    sei();
    for (;;)
        sleep_mode();
}
