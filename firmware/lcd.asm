; lcd.asm: the display. Text rows 0..7 of 16 characters, 6 dot columns
; each; rows 0..3 are on chip 0, rows 4..7 on chip 1, and a row is one
; band of 8 dot rows. Only the main loop draws: the timer interrupt never
; sends LCD commands, since a command it sent would replace the one the
; main loop is sending data for.

; lcd_init: powers the LCD, switches the display on, sets the glyph width
; and the timer period, loads the cursor pattern, hides the cursor and
; clears the screen. Uses r24, r88..r101, iz.
lcd_init:   pst if,IF_LCD_ON
            ld r96,LCD_DISPLAY_ON
            stle r96,LCD_CMD
            ld r96,LCD_WIDTH6
            stle r96,LCD_CMD
            ld r96,LCD_TIMER
            stle r96,LCD_CMD
            ld r106,0
            cal lcd_cursor_mode
            cal lcd_cursor_shape
            ldm r88..r95,0
            ; fall through

; lcd_fill_screen: fills every row with the dot columns in r88..r95 (8
; bytes, repeated). Uses r24, r96..r98, r101.
lcd_fill_screen:
            ld r24,0
.row:       cal lcd_fill_row
            ad r24,1
            tsb r24,ROWS
            jmp nz,.row
            rtn

; lcd_fill_row: fills text row r24 with the dot columns in r88..r95. A
; byte is a dot column: its low digit the upper four dots (bit 3 on top),
; its high digit the lower four. Uses r96..r98, r101.
lcd_fill_row:
            ld r96,r24
            an r96,&H04             ; rows 4..7: chip 1
            biu r96
            biu r96                 ; &H10 for chip 1
            or r96,OP_REPLACE|CMD_WRITE
            ld r97,0                ; left half, first column
            ld r98,r24
            an r98,&H03             ; band within the chip
            stlom r96..r98,LCD_CMD
            ld r101,12              ; 192 nibbles, 16 a transfer
.data:      stlem r88..r95,LCD_DATA
            sb r101,1
            jmp nz,.data
            rtn

; lcd_at: sets the character address to text row r24, column r25, drawing
; with the pixel operation in r26 (OP_REPLACE or OP_XOR). Uses r96..r98, iz.
lcd_at:     ld r96,r24
            an r96,&H04
            biu r96
            biu r96                 ; chip
            or r96,r26              ; pixel operation
            or r96,CMD_CHAR
            ldw iz,colpos
            ld r97,(iz+r25)         ; position and half of the column
            ld r98,r24
            an r98,&H03
            stlom r96..r98,LCD_CMD
            rtn

; lcd_puts: draws the zero-ended string at ix from the character address
; on; ix ends past the zero. Uses r100.
lcd_puts:   ld r100,(ix)+
            tsb r100,0
            jmp z,.done
            stle r100,LCD_DATA
            jmp lcd_puts
.done:      rtn

; lcd_putn: draws r27 characters from ix on (r27 may be 0). Uses r27, r100.
lcd_putn:   tsb r27,0
            jmp z,.done
.next:      ld r100,(ix)+
            stle r100,LCD_DATA
            sb r27,1
            jmp nz,.next
.done:      rtn

; lcd_row: draws the zero-ended string at ix (at most 16 characters) on
; text row r24, padded with spaces to the end of the row; ix ends past the
; zero. Uses r25, r26, r96..r101, iz.
lcd_row:    ld r25,0
            ld r26,OP_REPLACE
            cal lcd_at
            ld r101,COLS
.next:      ld r100,(ix)+
            tsb r100,0
            jmp z,.pad
            stle r100,LCD_DATA
            sb r101,1
            jmp nz,.next
            ld r100,(ix)+           ; a full row: step over its zero
            rtn
.pad:       ld r100,' '
.space:     stle r100,LCD_DATA
            sb r101,1
            jmp nz,.space
            rtn

; lcd_rows: draws r27 rows of zero-ended strings from ix on, from text row
; r24 down. Uses r24..r27, r96..r101, iz.
lcd_rows:   cal lcd_row
            ad r24,1
            sb r27,1
            jmp nz,lcd_rows
            rtn

; lcd_clear_page: clears text rows 1..7 (all but the status line).
; Uses r24, r88..r98, r101.
lcd_clear_page:
            ldm r88..r95,0
            ld r24,1
.row:       cal lcd_fill_row
            ad r24,1
            tsb r24,ROWS
            jmp nz,.row
            rtn

; lcd_cursor_at: puts the cursor on text row r24, column r25, and moves
; the other chip's cursor out of sight (the cursor mode shows both).
; Chip 0's overlay ends at its position, chip 1's starts there.
; Uses r96..r98, iz.
lcd_cursor_at:
            ldw iz,colpos
            ld r97,(iz+r25)
            ld r98,r24
            an r98,&H03
            tan r24,&H04
            jmp nz,.chip1
            ad r97,10               ; glyph width 6: ends 5 columns (10 nibbles) on
            ld r96,CMD_CURSOR
            stlom r96..r98,LCD_CMD
            ld r96,CMD_CURSOR|CHIP1
            jmp .park
.chip1:     ld r96,CMD_CURSOR|CHIP1
            stlom r96..r98,LCD_CMD
            ld r96,CMD_CURSOR
.park:      ld r97,&H7F             ; position 127: past the right edge
            ld r98,0
            stlom r96..r98,LCD_CMD
            rtn

; lcd_cursor_shape: loads both chips' cursor pattern for the shape in
; v_shape: a block, or a line under the character (dot row 7, which the
; font leaves empty). Patterns repeat every column, so the phase can stay
; 0 for cursors that start on a character. Uses r24, r88..r97.
lcd_cursor_shape:
            ld r24,(iy+O_SHAPE)
            ldm r88..r95,&H10       ; a column: upper nibble 0, lower nibble 1
            tsb r24,0
            jmp nz,.send
            ldm r88..r95,0
            invm r88..r95           ; &HFF: every dot
.send:      ld r96,CMD_CURPAT
            ld r97,0                ; phase 0
            stlom r96..r97,LCD_CMD
            stlem r88..r95,LCD_DATA
            ld r96,CMD_CURPAT|CHIP1
            stlom r96..r97,LCD_CMD
            stlem r88..r95,LCD_DATA
            rtn

; lcd_cursor_mode: shows the cursor (inverting what is under it) when r106
; is 1, hides it when 0. Uses r96.
lcd_cursor_mode:
            ld r96,LCD_CUR_OFF
            tsb r106,0
            jmp z,.send
            ld r96,LCD_CUR_ON
.send:      stle r96,LCD_CMD
            rtn

; cursor_place: the cursor on row r24, column r25, shown at once and
; blinking from now on. Uses r96..r98, r105, r106, r108, iz.
cursor_place:
            cal lcd_cursor_at
            ld r108,1
            ld r106,1
            ld r105,r53             ; a full phase before it blinks off
            jmp lcd_cursor_mode

; cursor_none: no cursor on this page. Uses r96, r106, r108.
cursor_none:
            ld r108,0
            ld r106,0
            jmp lcd_cursor_mode
