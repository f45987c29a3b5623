/* Links the packed brush images (resources/brushes/brushes.bin) into the
   program as read-only data, framed by two symbols. */
    .section .rodata.plumavo_brushes, "a"
    .balign 16
    .globl plumavo_brush_blob
    .hidden plumavo_brush_blob
    .type plumavo_brush_blob, @object
plumavo_brush_blob:
    .incbin "brushes.bin"
    .globl plumavo_brush_blob_end
    .hidden plumavo_brush_blob_end
plumavo_brush_blob_end:
    .byte 0
    .section .note.GNU-stack, "", @progbits
