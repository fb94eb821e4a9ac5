; clock.asm: the timer interrupt, the time since power-on and the status
; line.

; clock_init: sets the level-1 vector and the clock to 00:00:00. Uses
; r53, r54, r104, r105, r112..r119.
clock_init: ldw v1,timer_tick
            ld r53,0
            ld r54,0
            ld r104,0
            ld r105,0
            ld r118,0
            ld r119,BLINK_TICKS
            ; fall through

; clock_zero: the clock back to 00:00:00, a whole second to the next tick.
; Uses r112..r117.
clock_zero: ld r112,lo(OSC_PER_SEC)
            ld r113,hi(OSC_PER_SEC)
            ld r114,OSC_PER_SEC>>16
            ldm r115..r117,0
            rtn

; timer_tick: the level-1 interrupt, every TICK_OSC oscillator ticks while
; the LCD is powered. Counts the time of day in decimal and the cursor
; blink phases, and leaves the drawing to the main loop, which watches
; r54 (seconds) and r53 (blink phases). Uses only r48..r50, r53..r55 and
; r112..r119, and puts the interrupted code's flags back.
timer_tick: gst r55,f
            ld r49,hi(TICK_OSC)
            ld r50,TICK_OSC>>16
            sbm r113..r114,r49..r50 ; oscillator ticks left in this second
            jmp nc,.ticks           ; (TICK_OSC's low byte is 0)
            ld r48,lo(OSC_PER_SEC)
            ld r49,hi(OSC_PER_SEC)
            ld r50,OSC_PER_SEC>>16
            adm r112..r114,r48..r50 ; a new second starts
            adb r115,1
            tsb r115,&H60
            jmp nz,.second
            ld r115,0
            adb r116,1
            tsb r116,&H60
            jmp nz,.second
            ld r116,0
            adb r117,1              ; hours run on to 99, then 00
.second:    ad r54,1
.ticks:     ad r118,1
            sb r119,1
            jmp nz,.done
            ld r119,BLINK_TICKS
            ad r53,1
.done:      pst f,r55
            rti

; draw_status: builds and draws the status line in inverse: the page's
; name, the time since power-on (hours:minutes:seconds) and the print
; switch ("N" or "HD"). Keeps the switch position in r107.
; Uses r24..r27, r88..r101, ix, iz.
draw_status:
            ldw iz,v_status-1
            ld r27,0
            ldw ix,pagenames
            ld r25,(iy+O_PAGE)
            tsb r25,PG_MEMO
            jmp nz,.find
            ld r26,(iy+O_MODE123)
            tsb r26,0
            jmp z,.find
            ld r25,PG_COUNT         ; the memo typing digits
.find:      tsb r25,0
            jmp z,.name
            adw ix,6
            sb r25,1
            jmp .find
.name:      cal emit_str
.time:      ld r101,r54             ; read again if a second passes meanwhile
            ld r24,r117
            cal put_bcd
            ld r100,':'
            cal emit
            ld r24,r116
            cal put_bcd
            ld r100,':'
            cal emit
            ld r24,r115
            cal put_bcd
            tsb r101,r54
            jmp z,.switch
            sbw iz,8
            sb r27,8
            jmp .time
.switch:    cal print_mode
            ld r107,r24
            ldw ix,text_n
            tsb r24,0
            jmp z,.mode
            ldw ix,text_hd
.mode:      cal emit_str
            ld r100,0
            st +(iz),r100
            ldm r88..r95,0
            invm r88..r95
            ld r24,0
            cal lcd_fill_row
            ld r25,0
            ld r26,OP_XOR           ; dark row, light letters
            cal lcd_at
            ldw ix,v_status
            jmp lcd_puts

; emit: appends the character in r100 at +(iz) and counts it in r27.
emit:       st +(iz),r100
            ad r27,1
            rtn

; emit_str: appends the zero-ended string at ix. Uses r27, r100, ix, iz.
emit_str:   ld r100,(ix)+
            tsb r100,0
            jmp z,.done
            cal emit
            jmp emit_str
.done:      rtn

; put_bcd: appends the two decimal digits of r24. Uses r27, r100, iz.
put_bcd:    ld r100,r24
            did r100
            ad r100,'0'
            cal emit
            ld r100,r24
            an r100,&H0F
            ad r100,'0'
            jmp emit

; put_hex: appends r24 as two hexadecimal digits. Uses r27, r100, iz.
put_hex:    ld r100,r24
            did r100
            cal .digit
            ld r100,r24
            an r100,&H0F
.digit:     tsb r100,10
            jmp c,.decimal
            ad r100,'A'-'0'-10
.decimal:   ad r100,'0'
            jmp emit
