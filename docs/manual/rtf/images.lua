-- Pictures and lists in the RTF manual.
-- Print size: 120 pixels to the inch, so the main window (757 pixels) fills the text width of
-- an A4 page and the dialogs keep its scale. Caption: a centred line under each picture that
-- stands alone in its paragraph (the RTF writer leaves captions out).
local PIXELS_PER_INCH = 120

local function png_width(path)
  local f = io.open(path, "rb")
  if not f then return nil end
  local head = f:read(24)
  f:close()
  if not head or #head < 24 or head:sub(2, 4) ~= "PNG" then return nil end
  return string.unpack(">I4", head, 17)
end

-- RTF text: ASCII as it is (with \ { } escaped), everything else as \uN? (N signed 16 bits).
local function rtf_text(s)
  local out = {}
  for _, cp in utf8.codes(s) do
    if cp == 92 or cp == 123 or cp == 125 then
      out[#out + 1] = "\\" .. utf8.char(cp)
    elseif cp < 128 then
      out[#out + 1] = utf8.char(cp)
    elseif cp < 0x10000 then
      out[#out + 1] = string.format("\\u%d?", cp < 0x8000 and cp or cp - 0x10000)
    end
  end
  return table.concat(out)
end

function Image(img)
  if img.attributes.width or img.attributes.height then return nil end
  local px = png_width(img.src)
  if px then
    img.attributes.width = string.format("%.2fin", px / PIXELS_PER_INCH)
  end
  return img
end

function Para(para)
  if #para.content ~= 1 or para.content[1].t ~= "Image" then return nil end
  local caption = pandoc.utils.stringify(para.content[1].caption)
  if caption == "" then return nil end
  return {
    para,
    pandoc.RawBlock("rtf", "{\\pard \\qc \\f0 \\sa240 \\li0 \\fi0 \\fs20 " .. rtf_text(caption) .. "\\par}"),
  }
end

-- The RTF writer gives a list no space below it; a small empty paragraph stands in.
local function space_after(list)
  return { list, pandoc.RawBlock("rtf", "{\\pard \\ql \\f0 \\sa0 \\li0 \\fi0 \\fs12 \\par}") }
end
BulletList = space_after
OrderedList = space_after
