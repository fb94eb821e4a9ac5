; defs.asm: the constants, the register plan and the RAM variables that
; every file of the firmware shares.

; ---------------------------------------------------------------- machine
RAM_BASE    equ &H4000          ; first RAM byte; iy holds it for good
STACK_TOP   equ &H6000          ; one past the last RAM byte: the first push lands below it
OSC_PER_SEC equ 910000          ; oscillator ticks in a second at the default OscFreq
TICK_OSC    equ 32768           ; oscillator ticks between two timer interrupts (4 x 8192)
BLINK_TICKS equ 14              ; timer interrupts per cursor blink phase (about half a second)
REPEAT_WAIT equ 14              ; timer interrupts before a held key repeats
REPEAT_NEXT equ 3               ; timer interrupts between repeats
TEST_STEP   equ 14              ; timer interrupts each display test picture stays

; Port values
IF_LCD_ON   equ &H01            ; IF bit 0: LCD power; bit 4 (level-0 line) stays 0
IE_TIMER    equ &H20            ; IE bit 5: level-1 (timer) interrupt enabled
KO_SELFTEST equ &H40            ; one line only: no key answers, the self-test bit does
KI_SELFTEST equ &H10
KO_PRINT    equ &HA0            ; the lines of the print switch ("HD" = KI bit 7)
KO_WAKE     equ &H41            ; the lines off leaves driven

; LCD command bytes: the command code in the low digit, the chip and pixel
; operation (op x 2 + chip) in the high digit; sent with mode LCD_CMD.
LCD_CMD     equ &H21            ; transfer mode: command nibbles
LCD_DATA    equ &H01            ; transfer mode: data nibbles
OP_XOR      equ &H20            ; op 1: invert where the glyph has dots
OP_REPLACE  equ &H80            ; op 4: replace
CHIP1       equ &H10            ; added to the high digit for the lower chip
CMD_WRITE   equ &H02            ; write address
CMD_CHAR    equ &H03            ; character address
CMD_CURPAT  equ &H06            ; cursor pattern by nibbles
CMD_CURSOR  equ &H0E            ; cursor position
LCD_DISPLAY_ON equ &H14         ; command 4 with 1: display on
LCD_WIDTH6  equ &H28            ; command 8 with 2: glyphs 6 dot columns wide
LCD_TIMER   equ &H0D            ; command 13 with 0: timer period 8192
LCD_CUR_ON  equ &H39            ; command 9 with 3: cursor shown, op 1 (invert)
LCD_CUR_OFF equ &H29            ; command 9 with 2: cursor hidden

; Text screen: 8 rows of 16 characters; row 0 is the status line.
ROWS        equ 8
COLS        equ 16
LF          equ 10              ; line break in the memo

; Pages
PG_MENU     equ 0
PG_CALC     equ 1
PG_MEMO     equ 2
PG_CHAR     equ 3
PG_COUNT    equ 4

; Keys (numbers of the key matrix)
K_HOME      equ 1
K_END       equ 2
K_LEFT      equ 4
K_RIGHT     equ 5
K_OFF       equ 6
K_MENU      equ 7
K_CALC      equ 8
K_MEMO      equ 9
K_UP        equ 10
K_DOWN      equ 11
K_CHAR      equ 12
K_TEST      equ 14
K_CUR       equ 15
K_123       equ 16
K_CLR       equ 17
K_CLK0      equ 18
K_DEL       equ 34
K_ESC       equ 35
K_ANS       equ 48
K_ENTER     equ 50

CALC_MAX    equ 32              ; characters of a calculation (two rows)
MEMO_MAX    equ 240             ; characters of the memo
MEMO_ROWS   equ 7               ; memo rows on the screen (rows 1..7)

; Calculation errors, shown on the result line
ERR_SYNTAX  equ 1
ERR_DIV0    equ 2
ERR_OVERFLOW equ 3

; ---------------------------------------------------------------- registers
; Two-register instructions pair a lower register (r0..r63) with an upper one
; (r64..r127), and ranges of both at the same places in their groups, so
; the plan keeps what is combined in matching places.
;
; lower                              upper
; r0..r7    B mantissa, 16 digits    r64..r71  A mantissa (the accumulator)
; r8..r15   X: a mantissa copy       r72..r79  quotient, scratch mantissa
; r16..r17  B exponent (16 bits)     r80..r81  A exponent (16 bits)
; r18       B sign (0 or 1)          r82       A sign
; r19..r23  arithmetic scratch       r83..r87  arithmetic scratch, counters
; r22       saved sp high byte       r85       saved sp low byte (calculation)
; r24..r31  arguments, scratch       r88..r95  a block of LCD data bytes
; r32..r39  scratch                  r96..r99  LCD command bytes; r100 a character
; r40..r47  main loop state          r101..r111 scratch
; r48..r55  timer interrupt          r112..r119 timer interrupt: clock
; iy = RAM_BASE everywhere: RAM variables are (iy+O_NAME).
;
; A decimal number is 15 digits (digits 0..14 of a 16-digit mantissa, the
; top digit 15 kept 0 as headroom) with digit 14 not 0, a binary exponent
; E (the value is d14.d13...d0 x 10^E) and a sign; zero has an all-zero
; mantissa, E 0 and sign 0. |E| stays at most 99.
;
; Main loop state: r40 seconds seen, r41 blink phases seen, r42 the key
; held at the last scan, r44 the key being handled, r45 cursor shown now,
; r46 print switch as last shown, r86 (upper) the tick of the next repeat.
; Timer interrupt: r48..r50 constants, r53 blink phases, r54 seconds,
; r55 the interrupted code's flags; r112..r114 oscillator ticks left in
; this second, r115..r117 seconds, minutes, hours (decimal), r118 ticks,
; r119 ticks left in this blink phase.

; ---------------------------------------------------------------- RAM
            ram RAM_BASE
v_sig:      ds 4                ; "Vnx1" once the variables below are set up
v_page:     ds 1                ; the page shown
v_off:      ds 1                ; 1 from an off until the next start
v_shape:    ds 1                ; cursor shape: 0 block, 1 underline
v_mode123:  ds 1                ; memo keys: 0 letters, 1 digits and signs
v_charpg:   ds 1                ; character page: 0..3 (64 codes each)
v_calclen:  ds 1                ; characters in v_calc
v_done:     ds 1                ; 1 when the result line shows the last calculation
v_memolen:  ds 1
v_memocur:  ds 1                ; cursor: index into v_memo
v_memotop:  ds 1                ; first memo row on the screen
v_currow:   ds 1                ; where the cursor was last placed (screen row, column)
v_curcol:   ds 1
v_calc:     ds CALC_MAX+1       ; the calculation, zero-ended
v_result:   ds COLS+1           ; the result line, zero-ended
v_ans:      ds 11               ; last result: mantissa 8, exponent 2, sign 1
v_status:   ds COLS+1           ; the status line being built
v_digits:   ds 16               ; digits of a number being formatted
v_num:      ds 24               ; a formatted number, zero-ended
v_memo:     ds MEMO_MAX
v_shadow:   ds MEMO_ROWS*COLS   ; memo rows as drawn

O_SIG       equ v_sig-RAM_BASE
O_PAGE      equ v_page-RAM_BASE
O_OFF       equ v_off-RAM_BASE
O_SHAPE     equ v_shape-RAM_BASE
O_MODE123   equ v_mode123-RAM_BASE
O_CHARPG    equ v_charpg-RAM_BASE
O_CALCLEN   equ v_calclen-RAM_BASE
O_DONE      equ v_done-RAM_BASE
O_MEMOLEN   equ v_memolen-RAM_BASE
O_MEMOCUR   equ v_memocur-RAM_BASE
O_MEMOTOP   equ v_memotop-RAM_BASE
O_CURROW    equ v_currow-RAM_BASE
O_CURCOL    equ v_curcol-RAM_BASE
