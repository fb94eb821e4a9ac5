; text.asm: the texts and tables the firmware reads from data ROM.
            data &H0000

signature:  db "Vnx1"                   ; marks RAM as set up by this firmware

; colpos: for each text column 0..15, its position in a band: 12 nibbles a
; character, &H80 for the right half of the display.
colpos:     db 0,12,24,36,48,60,72,84
            db &H80,&H80+12,&H80+24,&H80+36,&H80+48,&H80+60,&H80+72,&H80+84

; keyrows: the key matrix, row by row: the output lines, then the key
; number of each input bit from bit 0 up (0: no key).
keyrows:    db &H41, 35,0,0,0,0,0,0,0
            db &H42, 1,2,6,50,0,0,51,52
            db &H44, 7,8,9,4,5,10,11,12
            db &H50, 13,14,3,15,16,17,18,24
            db &H60, 25,19,20,21,22,23,29,30
            db &H81, 31,32,33,36,37,38,39,40
            db &H82, 41,42,43,46,47,48,44,45
            db &H84, 0,0,0,26,27,28,34,49

; Status line: page names (6 bytes each, by page number, then the memo
; typing digits), and the print switch.
pagenames:  db "MENU ",0
            db "CALC ",0
            db "MEMO ",0
            db "CHAR ",0
            db "M123 ",0
text_n:     db "  N",0
text_hd:    db " HD",0

; The start page, rows 1..7.
MENU_ROWS   equ 7
; Each page's key, then its PC key (as the window's default map has it).
menu_text:  db "Varnox      v1.0",0
            db "CALC F2 or 0-9",0
            db "MEMO F4 memo pad",0
            db "CHAR F5 charset",0
            db "TEST F6 display",0
            db "OFF PgDn  Esc:on",0
            db "MENU F1 here",0

text_codes: db "Codes &H",0
text_to:    db "-&H",0
text_more:  db &H82,&H83," more",0         ; the arrows of Up and Down

err_syntax: db "Syntax error",0
err_div0:   db "Division by 0",0
err_overflow: db "Overflow",0

; The character each key types on the calculator page, by key number.
calckeys:
            db 0,0,0,0,0,0,0,0,0                           ; keys 0..8
            db 0,0,0,0,0,0,0,0,0                           ; keys 9..17
            db 0,0,0,0,0,0,0,0,0                           ; keys 18..26
            db '(',')',0,0,'7','8','9',0,0                 ; keys 27..35
            db '4','5','6','*','/','1','2','3','+'         ; keys 36..44
            db '-','0','.',0,0,0,0,0,0                     ; keys 45..53

; The character each key types in the memo.
memokeys:
            db 0,0,0,'\"',0,0,0,0,0                        ; keys 0..8
            db 0,0,0,0,':',0,0,0,0                         ; keys 9..17
            db 0,'A','B','C','D','E','F','G','H'           ; keys 18..26
            db 'I','J','K','L','M','N','O',0,0             ; keys 27..35
            db 'P','Q','R','S','T','U','V','W','X'         ; keys 36..44
            db 'Y','Z','[',']',' ',0,0,0,0                 ; keys 45..53

; The same with digits and signs (after the 123 key).
memokeys123:
            db 0,0,0,'\"',0,0,0,0,0                        ; keys 0..8
            db 0,0,0,0,':',0,0,0,0                         ; keys 9..17
            db 0,'A','B','C','D','E','F','G','H'           ; keys 18..26
            db '(',')','K','L','7','8','9',0,0             ; keys 27..35
            db '4','5','6','*','/','1','2','3','+'         ; keys 36..44
            db '-','0','.',']',' ',0,0,0,0                 ; keys 45..53
