; Counts on PORTB, with a lookup table, ID words, a configuration word and EEPROM data.
; Assembled by the tests with gpasm; the expected words below are checked there.

        processor 16f877a
        errorlevel -302         ; the bank switch around TRISB is deliberate

        __config 0x3F72         ; word 0x2007: HS oscillator, PWRT on, WDT off
        __idlocs 0x1234         ; words 0x2000..0x2003: 1, 2, 3, 4

PORTB   equ     0x06
TRISB   equ     0x86
STATUS  equ     0x03
RP0     equ     5
COUNT   equ     0x20
DELAY   equ     0x21

        org     0x0000
        goto    main            ; 0x280A

        org     0x0004
        retfie

        org     0x000A
main:   bsf     STATUS, RP0
        clrf    TRISB
        bcf     STATUS, RP0
        clrf    COUNT
loop:   movf    COUNT, w
        call    pattern
        movwf   PORTB
        call    wait
        incf    COUNT, f
        goto    loop

wait:   clrf    DELAY
spin:   decfsz  DELAY, f
        goto    spin
        return

        ; Starts off a 16-byte boundary, so that records are cut at different places.
        org     0x0033
pattern:
        andlw   0x0F
        addwf   0x02, f         ; PCL
        dt      0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80
        dt      0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81
        dt      "ZBK QD5500 counter"

        org     0x0100
        dw      0x0000, 0x3FFF, 0x1234, 0x2ABC, 0x0FED, 0x0001, 0x3000, 0x00FF
        dw      0x0100, 0x0200, 0x0400, 0x0800, 0x1000, 0x2000, 0x3FFE, 0x1555
        dw      0x2AAA, 0x0123

        org     0x1FFE          ; the last two words of program memory
        nop
        goto    0x0000

        org     0x2100          ; EEPROM
        de      0x12, 0x34, "AB", 0xFF

        end
