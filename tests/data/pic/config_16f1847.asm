; Configuration words of an enhanced-core PIC sit at word 0x8007, beyond 64 KiB of file bytes:
; gpasm reaches them with an extended linear address record of 0x0001.

        processor 16f1847

        __config 0x8007, 0x3FE4
        __config 0x8008, 0x1FFF

        org     0x0000
        goto    start           ; 0x280A

        org     0x000A
start:  movlw   0x55
        movwf   0x20
        goto    start

        end
