-- Neovim's own LSP client attached to `lexameter lsp` on a sample buffer: waits for the
-- diagnostics, asks for a hover and the document's figures, and writes what the editor holds to
-- a file the test compares. The environment names the tool, the buffer's file and the output.
local tool = os.getenv('LX_LEXAMETER')
local file = os.getenv('LX_SAMPLE')
local out = os.getenv('LX_OUT')
local hover_line = tonumber(os.getenv('LX_HOVER_LINE'))
local lines = {}
local function finish()
  vim.fn.writefile(lines, out)
  vim.cmd('qall!')
end

local function run()
vim.cmd('edit ' .. vim.fn.fnameescape(file))
local buf = vim.api.nvim_get_current_buf()
local config = { name = 'lexameter', cmd = { tool, 'lsp' }, root_dir = vim.fn.fnamemodify(file, ':h') }
local client
if vim.lsp.start then
  client = vim.lsp.start(config) -- Neovim 0.8 and later
else
  client = vim.lsp.start_client(config)
  if client then
    vim.lsp.buf_attach_client(buf, client)
  end
end
if not client then
  table.insert(lines, 'the server did not start: ' .. tool)
  return finish()
end

if not vim.wait(30000, function() return #vim.diagnostic.get(buf) > 0 end, 20) then
  table.insert(lines, 'no diagnostics within 30 s')
  return finish()
end
local diagnostics = vim.diagnostic.get(buf)
table.sort(diagnostics, function(a, b)
  return a.lnum < b.lnum or (a.lnum == b.lnum and a.col < b.col)
end)
for _, d in ipairs(diagnostics) do
  -- The editor's 0-based places shown 1-based; the column is Neovim's, in bytes: the server's
  -- UTF-16 column converted back, so that a wrong unit shows on a line with wide characters.
  table.insert(lines, string.format('diagnostic %d:%d %s %s severity %d', d.lnum + 1, d.col + 1,
    d.source, tostring(d.code), d.severity))
end

local uri = vim.uri_from_bufnr(buf)
local hover = vim.lsp.buf_request_sync(buf, 'textDocument/hover', {
  textDocument = { uri = uri }, position = { line = hover_line - 1, character = 0 } }, 10000)
local shown = hover and hover[client] and hover[client].result
if shown then
  for _, l in ipairs(vim.split(shown.contents.value, '\n')) do
    if l ~= '' then
      table.insert(lines, 'hover ' .. l)
    end
  end
else
  table.insert(lines, 'no hover on line ' .. hover_line)
end

local figures = vim.lsp.buf_request_sync(buf, 'workspace/executeCommand', {
  command = 'lexameter.documentFigures', arguments = { uri } }, 10000)
local result = figures and figures[client] and figures[client].result
if result then
  table.insert(lines, string.format('figures %d words, %d sentences, %d findings',
    result.counts.words, result.counts.sentences, #result.findings))
else
  table.insert(lines, 'no figures')
end

vim.lsp.stop_client(client)
vim.wait(5000, function() return vim.lsp.get_client_by_id(client) == nil end, 20)
finish()
end

-- Whatever fails, the editor writes why and ends, rather than wait for the test's timeout.
local ok, problem = xpcall(run, debug.traceback)
if not ok then
  table.insert(lines, 'error: ' .. tostring(problem))
  finish()
end
