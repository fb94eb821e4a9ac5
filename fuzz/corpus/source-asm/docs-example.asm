; Fill 256 bytes of RAM with a marker, then wait.
        org 0
start:  ldw ix,&H4000       ; RAM
        ld r5,&H00
again:  st (ix),&HAA        ; a marker byte
        adw ix,1
        adb r5,&H01
        jmp nc,again        ; until r5 wraps
idle:   jmp idle

        data &H1000
greeting:
        db &H48,&H49,0      ; "HI" and a terminator
