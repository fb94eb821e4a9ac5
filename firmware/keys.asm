; keys.asm: reading the key matrix.

; scan_keys: the number of the first held key (1..52) in r44, or 0. The
; print switch is not a key here, and while the self-test request is up
; (it shows as KI bit 4 on every row) no key counts. Uses r24, r25, r28, iz.
scan_keys:  ld r44,0
            pst ko,KO_SELFTEST      ; one line: only the self-test bit answers
            gst r24,ki
            tan r24,KI_SELFTEST
            jmp nz,.done
            ldw iz,keyrows
            ld r28,8
.row:       ld r24,(iz)+            ; the row's output lines
            pst ko,r24
            gst r25,ki
            tsb r25,0               ; also clears C for the rotation below
            jmp nz,.bit
            adw iz,8
            sb r28,1
            jmp nz,.row
.done:      rtn
.bit:       rod r25                 ; lowest bit into C
            jmp c,.hit
            adw iz,1
            jmp .bit
.hit:       ld r44,(iz+0)
            rtn

; print_mode: r24 = &H80 when the print switch is at "HD", 0 at "N".
print_mode: pst ko,KO_PRINT
            gst r24,ki
            an r24,&H80
            rtn

; poll_keys: a key to act on in r44: a key just pressed, or Left, Right,
; Up, Down or Del held long enough to repeat; 0 when there is none.
; r87 keeps the key held at the last scan, r86 the tick of its next
; repeat. Uses r24, r25, r28, iz.
poll_keys:  cal scan_keys
            tsb r44,r87
            jmp z,.held
            ld r87,r44              ; a change: a new key, or none
            ld r24,r118
            ad r24,REPEAT_WAIT
            ld r86,r24
            rtn
.held:      tsb r44,0
            jmp z,.none
            tsb r44,K_LEFT
            jmp z,.repeat
            tsb r44,K_RIGHT
            jmp z,.repeat
            tsb r44,K_UP
            jmp z,.repeat
            tsb r44,K_DOWN
            jmp z,.repeat
            tsb r44,K_DEL
            jmp nz,.none
.repeat:    ld r24,r118
            sb r24,r86
            tan r24,&H80            ; before the repeat tick
            jmp nz,.none
            ld r24,r118
            ad r24,REPEAT_NEXT
            ld r86,r24
            rtn
.none:      ld r44,0
            rtn
