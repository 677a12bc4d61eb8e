/*
  fieldsync: every SQL statement that the service runs, as the database sees
  it, for tests/database/test_statements.py, which prepares each one on the
  demo database and then runs it. A missing table or column, or a type that
  does not fit, fails that test.

  Format. Each statement is one entry:

    -- @name   a unique name: the method, or the statement component (dst...)
    -- @call   read methods: the call whose SQL text follows, with the
               instance's IDFilial and DiasEmAtraso where the text uses them
    -- @used-by  statement components: the methods that run them
    -- @param  statement components: NAME type value, one line per parameter,
               in the order the statement names them; the type is the one
               the service binds (integer, text, date, time, currency, memo),
               the value an SQL literal used when the test runs the statement
               (NULL for a parameter the service leaves unbound)
    -- @note   what the sample shows
    -- @rows   rows the statement returns or changes on the demo database
               when the entries are run in file order, reads first
    the statement text, exactly, over as many lines as it has
    -- @end

  Texts. Read methods build their text at run time; the text here is the
  one built for the @call arguments. Statement components keep their text,
  with :NAME parameters, as the service module stores it. Line breaks: the
  service's texts contain CR LF pairs and lone CRs; both are written here as
  one line break, so compare a service text after replacing CR LF and CR
  with LF. Trailing blanks at the end of a line are part of the text.
*/

/* ==================================================== read methods */

-- @name GetAtividade
-- @call GetAtividade()
-- @rows 9
select cast(idatividade as varchar(10)) as idatividade, nome as nmatividade from ATIVIDADE where EXCLUIDO is null
-- @end

-- @name GetAtividadeSN
-- @call GetAtividadeSN(IDAtividade=9)
-- @note a deleted activity
-- @rows 1
select cast(idatividade as varchar(10)) as idatividade, nome as nmatividade from ATIVIDADE where IDATIVIDADE = '9'
-- @end

-- @name GetCidade
-- @call GetCidade()
-- @rows 15
select cast(idcidade as varchar(10)) as idcidade, nome as nmcidade from CIDADE where EXCLUIDO is null
-- @end

-- @name GetCidadeSN
-- @call GetCidadeSN(IDCidade=8)
-- @rows 1
select cast(idcidade as varchar(10)) as idcidade, nome as nmcidade from CIDADE where IDCIDADE = '8'
-- @end

-- @name GetRegiao
-- @call GetRegiao()
-- @rows 5
select cast(idregiao as varchar(10)) as idregiao, nome as nmregiao from REGIAO where EXCLUIDO is null
-- @end

-- @name GetRegiaoSN
-- @call GetRegiaoSN(IDRegiao=6)
-- @note a deleted region
-- @rows 1
select cast(idregiao as varchar(10)) as idregiao, nome as nmregiao from REGIAO where IDREGIAO = '6'
-- @end

-- @name GetConvenio
-- @call GetConvenio()
-- @rows 4
select cast(idconvenio as varchar(10)) as idconvenio, descricao as nmconvenio from CONVENIO where EXCLUIDO is null
-- @end

-- @name GetConvenioSN
-- @call GetConvenioSN(IDConvenio=4)
-- @rows 1
select cast(idconvenio as varchar(10)) as idconvenio, descricao as nmconvenio from CONVENIO where IDCONVENIO = '4'
-- @end

-- @name GetCondPagto
-- @call GetCondPagto()
-- @rows 6
select cast(idcondicaopagto as varchar(10)) as idcondpagto, descricao as nmcondpagto, coalesce(cast(parcela as varchar(10)),'0') as parcela, coalesce(cast(prazo as varchar(10)),'0') as prazo from CONDICAOPAGTO where EXCLUIDO is null
-- @end

-- @name GetCondPagtoSN
-- @call GetCondPagtoSN(IDCondPagto=5)
-- @note PARCELA and PRAZO are NULL
-- @rows 1
select cast(idcondicaopagto as varchar(10)) as idcondpagto, descricao as nmcondpagto, coalesce(cast(parcela as varchar(10)),'0') as parcela, coalesce(cast(prazo as varchar(10)),'0') as prazo from CONDICAOPAGTO where IDCONDICAOPAGTO = '5'
-- @end

-- @name GetCondPagtoCliente
-- @call GetCondPagtoCliente(IDRepresentante=1)
-- @rows 217
select cast(C.idcliente as varchar(10)) as idcliente, cast(C.idcondicaopagto as varchar(10)) as idcondpagto from CONDPGTCLIENTE C join REPCLIENTE R on R.IDCLIENTE = C.IDCLIENTE and R.IDREPRESENTANTE = '1'
-- @end

-- @name GetCondPagtoClienteSN
-- @call GetCondPagtoClienteSN(IDCliente=1, IDCondPagto=4)
-- @rows 1
select cast(C.idcliente as varchar(10)) as idcliente, cast(C.idcondicaopagto as varchar(10)) as idcondpagto from CONDPGTCLIENTE C where C.IDCLIENTE = '1' and C.IDCONDICAOPAGTO = '4'
-- @end

-- @name GetFormaPagto
-- @call GetFormaPagto()
-- @rows 5
select cast(idformapagto as varchar(10)) as idformapagto, descricao as nmformapagto from FORMAPAGTO where EXCLUIDO is null
-- @end

-- @name GetFormaPagtoSN
-- @call GetFormaPagtoSN(IDFormaPagto=6)
-- @note a deleted form
-- @rows 1
select cast(idformapagto as varchar(10)) as idformapagto, descricao as nmformapagto from FORMAPAGTO where IDFORMAPAGTO = '6'
-- @end

-- @name GetFormaPagtoCliente
-- @call GetFormaPagtoCliente(IDRepresentante=1)
-- @rows 215
select cast(P.idcliente as varchar(10)) as idcliente, cast(P.idformapagto as varchar(10)) as idformapagto from PAGTOCLIENTE P join REPCLIENTE R on R.IDCLIENTE = P.IDCLIENTE and R.IDREPRESENTANTE = '1'
-- @end

-- @name GetFormaPagtoClienteSN
-- @call GetFormaPagtoClienteSN(IDCliente=1, IDFormaPagto=5)
-- @rows 1
select cast(P.idcliente as varchar(10)) as idcliente, cast(P.idformapagto as varchar(10)) as idformapagto from PAGTOCLIENTE P where P.IDCLIENTE = '1' and P.IDFORMAPAGTO = '5'
-- @end

-- @name GetCPFCNPJ
-- @call GetCPFCNPJ()
-- @rows 300
select cast(C.idcliente as varchar(10)) as idcliente, coalesce(C.cpf,'') as cpf, coalesce(C.cnpj,'') as cnpj from CLIENTE C
-- @end

-- @name GetCPFCNPJSN
-- @call GetCPFCNPJSN(IDCliente=3)
-- @rows 1
select cast(C.idcliente as varchar(10)) as idcliente, coalesce(C.cpf,'') as cpf, coalesce(C.cnpj,'') as cnpj from CLIENTE C where c.idcliente = '3'
-- @end

-- @name GetProduto
-- @call GetProduto() with IDFilial=1
-- @rows 37
select cast(idproduto as varchar(10)) as idproduto, especificacao as nmproduto, embalagem, cast(coalesce(qtdeatual,0) as varchar(25)) as qtdeatual, cast(coalesce(custonotaunit,0) as varchar(25)) as custo, coalesce(nome_arq_imagem,'') as nome_arq_imagem  from PRODUTO where IDFILIAL = '1' and SITUACAOPRODUTO = 'A' and EXCLUIDO is null
-- @end

-- @name GetProdutoSN
-- @call GetProdutoSN(IDProduto=7) with IDFilial=1
-- @note a deleted product is returned
-- @rows 1
select cast(idproduto as varchar(10)) as idproduto, especificacao as nmproduto, embalagem, cast(coalesce(qtdeatual,0) as varchar(25)) as qtdeatual, cast(coalesce(custonotaunit,0) as varchar(25)) as custo, coalesce(nome_arq_imagem,'') as nome_arq_imagem from PRODUTO where IDFILIAL = '1' and IDPRODUTO = '7'  and SITUACAOPRODUTO = 'A'
-- @end

-- @name GetProdutoSN inactive
-- @call GetProdutoSN(IDProduto=13) with IDFilial=1
-- @note an inactive product is not
-- @rows 0
select cast(idproduto as varchar(10)) as idproduto, especificacao as nmproduto, embalagem, cast(coalesce(qtdeatual,0) as varchar(25)) as qtdeatual, cast(coalesce(custonotaunit,0) as varchar(25)) as custo, coalesce(nome_arq_imagem,'') as nome_arq_imagem from PRODUTO where IDFILIAL = '1' and IDPRODUTO = '13'  and SITUACAOPRODUTO = 'A'
-- @end

-- @name GetProdutoUndMed
-- @call GetProdutoUndMed() with IDFilial=1
-- @rows 73
select distinct cast(p.idproduto as varchar(10)) as idproduto, cast(u.idunidademedida as varchar(10)) as idundmed, u.descricao as nmundmed, cast(u.fatorconversao as varchar(25)) as fatorconversao, u.tipo_unidade as tipounidade from UNIDADEMEDIDA U
 join UNIDADEPRODUTO P on P.IDUNIDADEMEDIDA = U.IDUNIDADEMEDIDA and P.IDFILIAL = U.IDFILIAL join PRODUTO PR on PR.IDFILIAL = P.IDFILIAL and PR.IDPRODUTO = P.IDPRODUTO and PR.SITUACAOPRODUTO = 'A' where U.IDFILIAL = '1'
-- @end

-- @name GetProdutoUndMedSN
-- @call GetProdutoUndMedSN(IDProduto=1, IDUnidadeMedida=3) with IDFilial=1
-- @note stored twice, listed once
-- @rows 1
select distinct cast(p.idproduto as varchar(10)) as idproduto, cast(u.idunidademedida as varchar(10)) as idundmed, u.descricao as nmundmed, cast(u.fatorconversao as varchar(25)) as fatorconversao, u.tipo_unidade as tipounidade from UNIDADEMEDIDA U
 join UNIDADEPRODUTO P on P.IDFILIAL = U.IDFILIAL and P.IDUNIDADEMEDIDA = U.IDUNIDADEMEDIDA join PRODUTO PR on PR.IDFILIAL = P.IDFILIAL and PR.IDPRODUTO = P.IDPRODUTO and PR.SITUACAOPRODUTO = 'A' where U.IDFILIAL = '1' and P.IDPRODUTO = '1' and P.IDUNIDADEMEDIDA = '3'
-- @end

-- @name GetProdutoConsig
-- @call GetProdutoConsig(IDRepresentante=2) with IDFilial=1
-- @rows 5
select cast(p.idproduto as varchar(10)) as idproduto, p.especificacao as nmproduto, p.embalagem, cast(coalesce((I.qtde_entrada-I.qtde_saida),0) as varchar(25)) as qtdeatual, cast(c.idconsignacao as varchar(10)) as idconsignacao,
 cast(coalesce(p.custonotaunit,0) as varchar(25)) as custo, coalesce(p.nome_arq_imagem,'') as nome_arq_imagem from ITENS_CONSIGNACAO I
 join CONSIGNACAO C on C.IDFILIAL = I.IDFILIAL and C.IDCONSIGNACAO = I.IDCONSIGNACAO and C.SITUACAO = 'A' join PRODUTO P on P.IDFILIAL = I.IDFILIAL and P.IDPRODUTO = I.IDPRODUTO where I.IDFILIAL = '1' and C.IDREPRESENTANTE = '2'
-- @end

-- @name GetProdutoConsigSN
-- @call GetProdutoConsigSN(IDConsignacao=1, IDProduto=21) with IDFilial=1
-- @note QTDE_SAIDA is NULL
-- @rows 1
select cast(p.idproduto as varchar(10)) as idproduto, p.especificacao as nmproduto, p.embalagem, cast(coalesce((I.qtde_entrada-I.qtde_saida),0) as varchar(25)) as qtdeatual, cast(c.idconsignacao as varchar(10)) as idconsignacao,
 cast(coalesce(p.custonotaunit,0) as varchar(25)) as custo, coalesce(p.nome_arq_imagem,'') as nome_arq_imagem from ITENS_CONSIGNACAO I
 join CONSIGNACAO C on C.IDFILIAL = I.IDFILIAL and C.IDCONSIGNACAO = I.IDCONSIGNACAO and C.SITUACAO = 'A' join PRODUTO P on P.IDFILIAL = I.IDFILIAL and P.IDPRODUTO = I.IDPRODUTO where I.IDFILIAL = '1' and C.IDCONSIGNACAO = '1' and I.IDPRODUTO = '21'
-- @end

-- @name GetTabelaPreco
-- @call GetTabelaPreco() with IDFilial=1
-- @rows 2
select cast(idtabelapreco as varchar(10)) as idtabelapreco, descricao as nmtabelapreco from TABELAPRECO where IDFILIAL = '1' and TABELAPALM = 'S' and EXCLUIDO is null
-- @end

-- @name GetTabelaPrecoSN
-- @call GetTabelaPrecoSN(IDTabelaPreco=3) with IDFilial=1
-- @note a deleted table
-- @rows 1
select cast(idtabelapreco as varchar(10)) as idtabelapreco, descricao as nmtabelapreco from TABELAPRECO where IDFILIAL = '1' and IDTABELAPRECO = '3'
-- @end

-- @name GetTabelaPrecoRep
-- @call GetTabelaPrecoRep(IDRepresentante=1) with IDFilial=1
-- @rows 1
select cast(T.idtabelapreco as varchar(10)) as idtabelapreco, T.descricao as nmtabelapreco from TABELAPRECO T join REPRESENTANTE R on R.idrepresentante = '1' and r.idtabelapreco = t.idtabelapreco where T.IDFILIAL = '1' and T.TABELAPALM = 'S'
-- @end

-- @name GetTabelaPrecoRep other branch
-- @call GetTabelaPrecoRep(IDRepresentante=3) with IDFilial=1
-- @note the representative's table belongs to branch 2
-- @rows 0
select cast(T.idtabelapreco as varchar(10)) as idtabelapreco, T.descricao as nmtabelapreco from TABELAPRECO T join REPRESENTANTE R on R.idrepresentante = '3' and r.idtabelapreco = t.idtabelapreco where T.IDFILIAL = '1' and T.TABELAPALM = 'S'
-- @end

-- @name GetTabelaPrecoItem
-- @call GetTabelaPrecoItem() with IDFilial=1
-- @rows 80
select cast(I.idtabelapreco as varchar(10)) as idtabelapreco, cast(I.idproduto as varchar(10)) as idproduto, cast(coalesce(I.taxadesconto,0) as varchar(25)) as taxadesconto,
 cast(coalesce(I.precounit,0) as varchar(25)) as precovenda from ITENSTABELAPRECO I join TABELAPRECO T on T.IDFILIAL = I.IDFILIAL and T.IDTABELAPRECO = I.IDTABELAPRECO where I.IDFILIAL = '1' and T.TABELAPALM = 'S' and T.EXCLUIDO is null
-- @end

-- @name GetTabelaPrecoItemSN
-- @call GetTabelaPrecoItemSN(IDTabelaPreco=1, IDProduto=21) with IDFilial=1
-- @note PRECOUNIT is NULL
-- @rows 1
select cast(I.idtabelapreco as varchar(10)) as idtabelapreco, cast(I.idproduto as varchar(10)) as idproduto, cast(coalesce(I.taxadesconto,0) as varchar(25)) as taxadesconto,
 cast(coalesce(I.precounit,0) as varchar(25)) as precovenda from ITENSTABELAPRECO I where I.IDFILIAL = '1' and I.IDTABELAPRECO = '1' and I.IDPRODUTO = '21'
-- @end

-- @name GetTabelaPrecoItemRep
-- @call GetTabelaPrecoItemRep(IDRepresentante=4) with IDFilial=1
-- @note a deleted table still counts
-- @rows 20
select cast(I.idtabelapreco as varchar(10)) as idtabelapreco, cast(I.idproduto as varchar(10)) as idproduto, cast(coalesce(I.taxadesconto,0) as varchar(25)) as taxadesconto,
cast(coalesce(I.precounit,0) as varchar(25)) as precovenda from ITENSTABELAPRECO I join TABELAPRECO T on T.IDFILIAL = I.IDFILIAL and T.IDTABELAPRECO = I.IDTABELAPRECO join REPRESENTANTE R on R.IDREPRESENTANTE = '4' and R.idtabelapreco = I.idtabelapreco where I.IDFILIAL = '1' and T.TABELAPALM = 'S'
-- @end

-- @name GetClienteProduto
-- @call GetClienteProduto(IDRepresentante=3)
-- @note clients of both branches
-- @rows 4
select cast(cp.idcliente as varchar(10)) as idcliente, cast(cp.idproduto as varchar(10)) as idproduto, cast(cp.preco_venda as varchar(25)) as preco_venda, cast(cp.preco_atual as varchar(25)) as preco_atual from CLIENTE_PRODUTO CP
 join REPCLIENTE R on R.IDCLIENTE = CP.IDCLIENTE and R.IDREPRESENTANTE = '3'
-- @end

-- @name GetClienteProdutoSN
-- @call GetClienteProdutoSN(IDCliente=1, IDProduto=4) with IDFilial=1
-- @note PRECO_VENDA is NULL
-- @rows 1
select cast(cp.idcliente as varchar(10)) as idcliente, cast(cp.idproduto as varchar(10)) as idproduto, cast(cp.preco_venda as varchar(25)) as preco_venda, cast(cp.preco_atual as varchar(25)) as preco_atual from CLIENTE_PRODUTO CP
  where CP.IDFILIAL = '1' and CP.IDCLIENTE = '1' and CP.IDPRODUTO = '4'
-- @end

-- @name GetCliente
-- @call GetCliente(IDRepresentante=1)
-- @rows 101
select cast(C.idcliente as varchar(10)) as idcliente, coalesce(cast(c.idcliente_palm as varchar(10)), '0') as idcliente_palm, C.nome as nmrazao, coalesce(C.fantasia,'') as nmfantasia, C.endereco, coalesce(C.cep,'') as cep, coalesce(C.bairro,'') as bairro, cast(C.idcidade as varchar(10)) as idcidade, C.tipocliente, coalesce(C.cnpj,'') as cnpj,
 coalesce(C.insestadual,'') as ie, coalesce(C.cpf,'') as cpf, coalesce(C.rg,'') as rg, coalesce(C.fone,'') as fone, coalesce(C.celular,'') as celular, coalesce(C.email,'') as email,
 coalesce(C.fax,'') as fax, cast(C.idconvenio as varchar(10)) as idconvenio, cast(C.idregiao as varchar(10)) as idregiao, cast(C.idatividade as varchar(10)) as idatividade, coalesce(cast(C.idtabelapreco as varchar(10)),'0') as idtabelapreco, coalesce(C.contribuinte,'') as contribuinte, coalesce(C.cliente_contribuinte,'') as cliente_contribuinte, coalesce(C.situacaocredito,'') as situacaocredito, coalesce(substring(C.OBSERVACAO from 1 for 1000),'') as OBSERVACAO
 from CLIENTE C  join REPCLIENTE R on R.IDCLIENTE = C.IDCLIENTE and R.IDREPRESENTANTE = '1' where EXCLUIDO is null
-- @end

-- @name GetClienteSN
-- @call GetClienteSN(IDCliente=5)
-- @note a deleted client
-- @rows 1
select cast(C.idcliente as varchar(10)) as idcliente, coalesce(cast(c.idcliente_palm as varchar(10)), '0') as idcliente_palm, C.nome as nmrazao, coalesce(C.fantasia,'') as nmfantasia, C.endereco, coalesce(C.cep,'') as cep, coalesce(C.bairro,'') as bairro, cast(C.idcidade as varchar(10)) as idcidade, C.tipocliente, coalesce(C.cnpj,'') as cnpj,
 coalesce(C.insestadual,'') as ie, coalesce(C.cpf,'') as cpf, coalesce(C.rg,'') as rg, coalesce(C.fone,'') as fone, coalesce(C.celular,'') as celular, coalesce(C.email,'') as email,
 coalesce(C.fax,'') as fax, cast(C.idconvenio as varchar(10)) as idconvenio, cast(C.idregiao as varchar(10)) as idregiao, cast(C.idatividade as varchar(10)) as idatividade, coalesce(cast(C.idtabelapreco as varchar(10)),'0') as idtabelapreco, coalesce(C.contribuinte,'') as contribuinte, coalesce(C.cliente_contribuinte,'') as cliente_contribuinte, coalesce(C.situacaocredito,'') as situacaocredito, coalesce(substring(C.OBSERVACAO from 1 for 1000),'') as OBSERVACAO
 from CLIENTE C where C.IDCLIENTE = '5'
-- @end

-- @name GetTodosClientes
-- @call GetTodosClientes()
-- @rows 284
select cast(C.idcliente as varchar(10)) as idcliente, coalesce(cast(c.idcliente_palm as varchar(10)), '0') as idcliente_palm, C.nome as nmrazao, coalesce(C.fantasia,'') as nmfantasia, C.endereco, coalesce(C.cep,'') as cep, coalesce(C.bairro,'') as bairro, cast(C.idcidade as varchar(10)) as idcidade, C.tipocliente, coalesce(C.cnpj,'') as cnpj,
 coalesce(C.insestadual,'') as ie, coalesce(C.cpf,'') as cpf, coalesce(C.rg,'') as rg, coalesce(C.fone,'') as fone, coalesce(C.celular,'') as celular, coalesce(C.email,'') as email,
 coalesce(C.fax,'') as fax, cast(C.idconvenio as varchar(10)) as idconvenio, cast(C.idregiao as varchar(10)) as idregiao, cast(C.idatividade as varchar(10)) as idatividade, coalesce(cast(C.idtabelapreco as varchar(10)),'0') as idtabelapreco, coalesce(contribuinte,'') as contribuinte, coalesce(cliente_contribuinte,'') as cliente_contribuinte, coalesce(C.situacaocredito,'') as situacaocredito, coalesce(substring(C.OBSERVACAO from 1 for 1000),'') as OBSERVACAO
 from CLIENTE C where EXCLUIDO is null
-- @end

-- @name GetAtrasoCliente
-- @call GetAtrasoCliente(IDCliente=1) with IDFilial=1, DiasEmAtraso=30
-- @rows 1
select cast(count(*) as varchar(10)) as contador from RECEBER R where R.IDFILIAL = '1' and R.IDCLIENTE = '1' and R.DATAPAGAMENTO is null and current_date-R.DATAVENCIMENTO >= '30'
-- @end

-- @name GetAtrasoClienteSN
-- @call GetAtrasoClienteSN(IDRepresentante=1) with IDFilial=1, DiasEmAtraso=30
-- @rows 107
select cast(C.IDCLIENTE as varchar(10)) as idcliente, cast((select count(*) from RECEBER R where R.IDFILIAL = '1' and R.IDCLIENTE = C.IDCLIENTE and R.DATAPAGAMENTO is null and current_date-R.DATAVENCIMENTO >= '30') as varchar(10)) as CONTADOR from CLIENTE C join REPCLIENTE RC on RC.IDCLIENTE = C.IDCLIENTE and RC.IDREPRESENTANTE = '1'
-- @end

-- @name GetAtrasoClienteSN all
-- @call GetAtrasoClienteSN(IDRepresentante=0) with IDFilial=1, DiasEmAtraso=30
-- @rows 300
select cast(C.IDCLIENTE as varchar(10)) as idcliente, cast((select count(*) from RECEBER R where R.IDFILIAL = '1' and R.IDCLIENTE = C.IDCLIENTE and R.DATAPAGAMENTO is null and current_date-R.DATAVENCIMENTO >= '30') as varchar(10)) as CONTADOR from CLIENTE C
-- @end

-- @name GetChavePedido
-- @call GetChavePedido(IDRepresentante=1, IDPedidoPalm=118) with IDFilial=1
-- @rows 1
select coalesce(N.nome_arq_eletronico, '') as nome_arq_eletronico, cast(n.idnota as varchar(10)) as idnota,cast(n.serie as varchar(10)) as serie,cast(p.idpedidopalm as varchar(10)) as idpedidopalm from NOTA N
 left join pedido p on p.idfilial = n.idfilial and p.idpedido = n.idpedido and p.idfolha = n.idfolha and p.idpedidopalm <> 0 where n.idfilial = '1' and not n.nome_arq_eletronico is null and p.idrepresentante = '1' and p.idpedidopalm = '118'
-- @end

-- @name GetPedidoSN
-- @call GetPedidoSN(IDPedido=1100, IDFolha=99) with IDFilial=1
-- @note two invoices
-- @rows 2
select coalesce(cast(P.IDPEDIDOPALM as varchar(10)),'0') as idpedidopalm, coalesce(cast(lpad(extract(day from P.DATAPEDIDO),2,'0') || '/' || lpad(extract(month from P.DATAPEDIDO),2,'0') || '/' || extract(year from P.DATAPEDIDO) as varchar(10)),'') as datapedido,
coalesce(cast(P.IDCLIENTE as varchar(10)),'0') as idcliente, coalesce(cast(P.IDFORMAPAGTO as varchar(10)),'0') as idformapagto, coalesce(cast(P.IDCONDICAOPAGTO as varchar(10)),'0') as idcondicaopagto,
coalesce(cast(P.IDTABELAPRECO as varchar(10)),'0') as idtabelapreco, coalesce(P.SITUACAOPEDIDO,'') as tipopedido, coalesce(cast(P.TOTALPEDIDO as varchar(25)),'0') as totalpedido, coalesce(cast(P.TOTALCUSTO as varchar(25)),'0') as totalcusto, coalesce(cast(P.PARCELA as varchar(10)),'0') as parcela, coalesce(substring(P.OBSERVACAO from 1 for 2000),'') as OBSERVACAO, coalesce(cast(N.IDNOTA as varchar(10)),'0') as idnota, coalesce(cast(N.SERIE as varchar(10)),'0') as serie, coalesce(N.NOME_ARQ_ELETRONICO,'') as nome_arq_eletronico, coalesce(cast(P.PRAZO_ANDROID as varchar(10)),'0') as prazo_android from PEDIDO P
left join NOTA n on N.IDFILIAL = P.IDFILIAL and N.IDPEDIDO = P.IDPEDIDO and N.IDFOLHA = P.IDFOLHA
where P.IDFILIAL = '1' and P.IDPEDIDO = '1100' and P.IDFOLHA = '99'
-- @end

-- @name GetPedidoSN no invoice
-- @call GetPedidoSN(IDPedido=1080, IDFolha=1) with IDFilial=1
-- @note no invoice
-- @rows 1
select coalesce(cast(P.IDPEDIDOPALM as varchar(10)),'0') as idpedidopalm, coalesce(cast(lpad(extract(day from P.DATAPEDIDO),2,'0') || '/' || lpad(extract(month from P.DATAPEDIDO),2,'0') || '/' || extract(year from P.DATAPEDIDO) as varchar(10)),'') as datapedido,
coalesce(cast(P.IDCLIENTE as varchar(10)),'0') as idcliente, coalesce(cast(P.IDFORMAPAGTO as varchar(10)),'0') as idformapagto, coalesce(cast(P.IDCONDICAOPAGTO as varchar(10)),'0') as idcondicaopagto,
coalesce(cast(P.IDTABELAPRECO as varchar(10)),'0') as idtabelapreco, coalesce(P.SITUACAOPEDIDO,'') as tipopedido, coalesce(cast(P.TOTALPEDIDO as varchar(25)),'0') as totalpedido, coalesce(cast(P.TOTALCUSTO as varchar(25)),'0') as totalcusto, coalesce(cast(P.PARCELA as varchar(10)),'0') as parcela, coalesce(substring(P.OBSERVACAO from 1 for 2000),'') as OBSERVACAO, coalesce(cast(N.IDNOTA as varchar(10)),'0') as idnota, coalesce(cast(N.SERIE as varchar(10)),'0') as serie, coalesce(N.NOME_ARQ_ELETRONICO,'') as nome_arq_eletronico, coalesce(cast(P.PRAZO_ANDROID as varchar(10)),'0') as prazo_android from PEDIDO P
left join NOTA n on N.IDFILIAL = P.IDFILIAL and N.IDPEDIDO = P.IDPEDIDO and N.IDFOLHA = P.IDFOLHA
where P.IDFILIAL = '1' and P.IDPEDIDO = '1080' and P.IDFOLHA = '1'
-- @end

-- @name GetUltPedidosSN
-- @call GetUltPedidosSN(IDCliente=1) with IDFilial=1
-- @rows 3
select first 3 cast(P.idpedido as varchar(10)) as IDPEDIDO, cast(P.idfolha as varchar(10)) as idfolha,coalesce(cast(P.IDPEDIDOPALM as varchar(10)),'0') as idpedidopalm, coalesce(cast(lpad(extract(day from P.DATAPEDIDO),2,'0') || '/' || lpad(extract(month from P.DATAPEDIDO),2,'0') || '/' || extract(year from P.DATAPEDIDO) as varchar(10)),'') as datapedido,
coalesce(cast(P.IDCLIENTE as varchar(10)),'0') as idcliente, coalesce(cast(P.IDFORMAPAGTO as varchar(10)),'0') as idformapagto, coalesce(cast(P.IDCONDICAOPAGTO as varchar(10)),'0') as idcondicaopagto,
coalesce(cast(P.IDTABELAPRECO as varchar(10)),'0') as idtabelapreco, coalesce(P.SITUACAOPEDIDO,'') as tipopedido, coalesce(cast(P.TOTALPEDIDO as varchar(25)),'0') as totalpedido, coalesce(cast(P.TOTALCUSTO as varchar(25)),'0') as totalcusto, coalesce(cast(P.PARCELA as varchar(10)),'0') as parcela, coalesce(substring(P.OBSERVACAO from 1 for 2000),'') as OBSERVACAO, coalesce(cast(N.IDNOTA as varchar(10)),'0') as idnota, coalesce(cast(N.SERIE as varchar(10)),'0') as serie, coalesce(N.NOME_ARQ_ELETRONICO,'') as nome_arq_eletronico, coalesce(cast(P.PRAZO_ANDROID as varchar(10)),'0') as prazo_android from PEDIDO P
left join NOTA n on N.IDFILIAL = P.IDFILIAL and N.IDPEDIDO = P.IDPEDIDO and N.IDFOLHA = P.IDFOLHA
where P.IDFILIAL = '1' and P.IDCLIENTE = '1' order by P.datapedido desc, p.idpedido desc
-- @end

-- @name GetItensPedidoSN
-- @call GetItensPedidoSN(IDPedido=1100, IDFolha=99) with IDFilial=1
-- @note one item has no product
-- @rows 3
select coalesce(cast(I.IDPRODUTO as varchar(10)),'0') as idproduto, coalesce(cast(I.QTDEPEDIDO as varchar(25)),'0') as qtdepedido, coalesce(cast(I.PRECOVENDA as varchar(25)),'0') as precovenda,
coalesce(cast(I.FATORCONVERSAO as varchar(10)),'0') as fatorconversao, coalesce(cast(I.TAXADESCONTO as varchar(25)),'0') as taxadesconto, cast(I.IDUNIDADEMEDIDA as varchar(10)) as idunidademedida,
coalesce(cast(I.PRECOTABELA as varchar(25)),'0') as precotabela, coalesce(cast(I.CUSTONOTA as varchar(25)),'0') as precocusto, coalesce(P.ESPECIFICACAO,'') as nmproduto from ITENSPEDIDO I left join PRODUTO P on P.IDFILIAL = I.IDFILIAL and P.IDPRODUTO = I.IDPRODUTO
where I.IDFILIAL = '1' and I.IDPEDIDO = '1100' and I.IDFOLHA = '99'
-- @end

-- @name GetUltimosPedido
-- @call GetUltimosPedido(IDCliente=1) with IDFilial=1
-- @rows 3
select first 3 cast(P.idpedido as varchar(10)) as IDPEDIDO, cast(P.idcliente as varchar(10)) as IDCLIENTE, cast(extract(day from p.datapedido) || '/' || extract(month from p.datapedido) || '/' || extract(year from p.datapedido) as varchar(10)) as DATAPEDIDO, coalesce(F.descricao, '') as NM_FORMA_PAGTO, coalesce(C.descricao,'') as NM_CONDICAO_PAGTO from PEDIDO P
 left join FORMAPAGTO F on F.idformapagto = P.idformapagto left join CONDICAOPAGTO C on C.idcondicaopagto = P.idcondicaopagto where P.idfilial = '1' and P.idcliente = '1' and P.idfolha = 99 order by P.idpedido desc
-- @end

-- @name GetUltPedidosTodasFolhas
-- @call GetUltPedidosTodasFolhas(IDCliente=1) with IDFilial=1
-- @rows 3
select first 3 cast(P.idpedido as varchar(10)) as IDPEDIDO, cast(P.idfolha as varchar(10)) as idfolha, cast(P.idcliente as varchar(10)) as IDCLIENTE, cast(extract(day from p.datapedido) || '/' || extract(month from p.datapedido) || '/' || extract(year from p.datapedido) as varchar(10)) as DATAPEDIDO, coalesce(F.descricao, '') as NM_FORMA_PAGTO, coalesce(C.descricao,'') as NM_CONDICAO_PAGTO from PEDIDO P
 left join FORMAPAGTO F on F.idformapagto = P.idformapagto left join CONDICAOPAGTO C on C.idcondicaopagto = P.idcondicaopagto where P.idfilial = '1' and P.idcliente = '1' order by P.datapedido desc, p.idpedido desc
-- @end

-- @name GetUltimosItensPedido
-- @call GetUltimosItensPedido(IDPedido=1100) with IDFilial=1
-- @rows 3
select cast(I.idproduto as varchar(10)) as IDPRODUTO, coalesce(p.especificacao,'') as NM_PRODUTO, coalesce(u.abreviatura,'') as UND_MED, cast(i.qtdepedido as varchar(25)) as qtdepedido, cast(i.precovenda as varchar(25)) as precovenda from ITENSPEDIDO I
 left join PRODUTO P on P.idfilial = I.idfilial and P.idproduto = I.idproduto left join UNIDADEMEDIDA U on U.idfilial = I.idfilial and U.idunidademedida = I.idunidademedida where I.idfilial = '1' and I.idpedido = '1100' and I.idfolha = 99
-- @end

-- @name GetUltItensPedidoTodasFolhas
-- @call GetUltItensPedidoTodasFolhas(IDPedido=1100, IDFolha=99) with IDFilial=1
-- @note the item without product is left out
-- @rows 2
select cast(I.idproduto as varchar(10)) as IDPRODUTO, coalesce(p.especificacao,'') as NM_PRODUTO, coalesce(u.abreviatura,'') as UND_MED, cast(i.qtdepedido as varchar(25)) as qtdepedido, cast(i.precovenda as varchar(25)) as precovenda from ITENSPEDIDO I
 join PRODUTO P on P.idfilial = I.idfilial and P.idproduto = I.idproduto left join UNIDADEMEDIDA U on U.idfilial = I.idfilial and U.idunidademedida = I.idunidademedida where I.idfilial = '1' and I.idpedido = '1100' and I.idfolha = '99'
-- @end

-- @name GetDevolucaoSN
-- @call GetDevolucaoSN(IDPedido=1050, IDFolha=99) with IDFilial=1
-- @rows 1
select coalesce(cast(D.IDPEDIDO as varchar(10)),'0') as idpedido, coalesce(cast(D.IDFOLHA as varchar(10)),'0') as idfolha, coalesce(cast(lpad(extract(day from d.DATAPEDIDO),2,'0') || '/' || lpad(extract(month from d.DATAPEDIDO),2,'0') || '/' || extract(year from d.DATAPEDIDO) as varchar(10)),'') as datapedido,
coalesce(cast(D.IDCLIENTE as varchar(10)),'0') as idcliente, coalesce(cast(D.IDFORMAPAGTO as varchar(10)),'0') as idformapagto, coalesce(cast(D.IDCONDICAOPAGTO as varchar(10)),'0') as idcondicaopagto,
coalesce(cast(D.IDTABELAPRECO as varchar(10)),'0') as idtabelapreco, coalesce(D.SITUACAOPEDIDO,'') as tipopedido, coalesce(cast(D.TOTALPEDIDO as varchar(25)),'0') as totalpedido, coalesce(cast(D.TOTALCUSTO as varchar(25)),'0') as totalcusto, coalesce(cast(D.PARCELA as varchar(10)),'0') as parcela from DEVOLUCAO D
where D.IDFILIAL = '1' and D.IDPEDIDO = '1050' and D.IDFOLHA = '99'
-- @end

-- @name GetSituacaoPedido
-- @call GetSituacaoPedido(IDRepresentante=1) with IDFilial=1
-- @rows 2
select cast(idpedido as varchar(10)) as idpedido, status from PEDIDO_STATUS where idfilial = '1' and idrepresentante = '1' and mobile_status is null
-- @end

-- @name GetReceber
-- @call GetReceber(IDRepresentante=1) with IDFilial=1
-- @rows 27
select cast(R.IDRECEBER as varchar(10)) as idreceber, cast(R.IDFOLHA as varchar(10)) as idfolha, cast(R.IDORDEM as varchar(10)) as idordem, cast(R.IDPARCIAL as varchar(10)) as idparcial,
 cast(R.IDREPRESENTANTE as varchar(10)) as idrepresentante, cast(R.IDCLIENTE as varchar(10)) as idcliente,
 cast(coalesce(R.IDFORMAPAGTO,'0') as varchar(10)) as idformapagto, coalesce(cast(lpad(extract(day from r.DATAEMISSAO),2,'0') || '/' || lpad(extract(month from R.DATAEMISSAO),2,'0') || '/' || extract(year from R.DATAEMISSAO) as varchar(10)),'') as dataemissao,
 coalesce(cast(lpad(extract(day from R.DATAVENCIMENTO),2,'0') || '/' || lpad(extract(month from R.DATAVENCIMENTO),2,'0') || '/' || extract(year from R.DATAVENCIMENTO) as varchar(10)),'') as datavencimento, cast(coalesce(R.VALORDOCUMENTO,'0') as varchar(25)) as valordocumento from RECEBER R join COBRANCA C on C.IDFILIAL = R.IDFILIAL and C.IDCOBRANCA = R.IDCOBRANCA and C.ENVIAR_ANDROID = 'S' where R.IDFILIAL = '1' and R.IDREPRESENTANTE = '1' and R.DATAPAGAMENTO is null and R.VALORDOCUMENTO <> 0
-- @end

-- @name GetBoleto
-- @call GetBoleto(IDRepresentante=1, IDPedido=118) with IDFilial=1
-- @rows 3
select coalesce(R.gb_codigobanco,'') as gb_codigobanco, coalesce(C.local_pagamento,'') as local_pagamento, coalesce(cast(lpad(extract(day from R.GB_DATA_VENCIMENTO),2,'0') || '/' || lpad(extract(month from R.GB_DATA_VENCIMENTO),2,'0') || '/' || extract(year from R.GB_DATA_VENCIMENTO) as varchar(10)),'') as gb_data_vencimento,
 coalesce(C.gb_nomecliente,'') as gb_nomecedente, coalesce(c.gb_codigocedente,'') as gb_codigocedente, coalesce(c.gb_digitocodigocedente,'') as gb_digitocodigocedente, coalesce(c.gb_codigoagencia,'') as gb_codigoagencia, coalesce(c.gb_digitoagencia,'') as gb_digitoagencia,
 coalesce(cast(lpad(extract(day from R.GB_DATABOLETO),2,'0') || '/' || lpad(extract(month from R.GB_DATABOLETO),2,'0') || '/' || extract(year from R.GB_DATABOLETO) as varchar(10)),'') as gb_databoleto, coalesce(r.documento,'') as documento, r.gb_nossonumero, coalesce(r.gb_digitonossonumero,'') as gb_digitonossonumero, coalesce(c.gb_tipocarteira,'') as gb_tipocarteira, cast(coalesce(r.valordocumento,'0') as varchar(25)) as valordocumento, coalesce(c.gb_mensagem_boleto, '') as gb_mensagem_boleto, coalesce(C.descricao,'') as nm_banco, coalesce(R.linha_digitavel,'') as linha_digitavel, cast(coalesce(C.gb_juros_mes,'0') as varchar(25)) as gb_juros_mes, cast(coalesce(C.gb_multa,'0') as varchar(25)) as gb_multa
 from RECEBER R join PEDIDO P on P.IDFILIAL = R.IDFILIAL and P.IDPEDIDOPALM = '118' and P.IDREPRESENTANTE = '1' join CAIXA C on C.idfilial = R.idfilial and C.gb_codigobanco = R.gb_codigobanco where R.idfilial = '1' and R.idreceber = P.idpedido and R.idfolha = p.idfolha and not R.gb_nossonumero is null
-- @end

-- @name GetRecCaminhoFTPPed
-- @call GetRecCaminhoFTPPed(IDRepresentante=1, IDPedidoPalm=118) with IDFilial=1
-- @rows 1
select coalesce(P.LOCAL_FTP,'') as LOCAL_FTP, coalesce(P.NOME_ARQUIVO_FTP,'') as NOME_ARQUIVO_FTP, coalesce(P.NOME_ARQUIVO_XML,'') as NOME_ARQUIVO_XML from PEDIDO P where P.IDFILIAL = '1' and P.IDPEDIDOPALM = '118' and P.IDREPRESENTANTE = '1'
-- @end

-- @name GetRepresentante
-- @call GetRepresentante(IDRepresentante=4)
-- @note a deleted representative
-- @rows 1
select cast(idrepresentante as varchar(10)) as idrepresentante, nome as nm_representante, coalesce(cast(idpedidopalm as varchar(10)),'0') as idpedidopalm, cast(coalesce(cotas,0) as varchar(25)) as cotas from REPRESENTANTE where idrepresentante = '4'
-- @end

-- @name GetTodosRepresentantes
-- @call GetTodosRepresentantes()
-- @rows 4
select cast(idrepresentante as varchar(10)) as idrepresentante, nome as nm_representante, coalesce(cast(idpedidopalm as varchar(10)),'0') as idpedidopalm from REPRESENTANTE where EXCLUIDO is null
-- @end

-- @name GetFilial
-- @call GetFilial() with IDFilial=1
-- @rows 1
select cast(F.IDFILIAL as varchar(10)) as idfilial, coalesce(F.RAZAO, '') as razao, coalesce(F.ENDERECO, '') as endereco, coalesce(F.BAIRRO, '') as bairro, coalesce(F.CEP, '') as cep,
 coalesce(F.CIDADE, '') as cidade, coalesce(F.UF, '') as uf, coalesce(F.FONE, '') as fone,  coalesce(F.N_ESCOLHER_CONDICAO, '') as n_escolher_condicao,
 coalesce(F.N_ESCOLHER_FORMA,'') as n_escolher_forma, coalesce(F.N_ESCOLHER_TABELA,'') as n_escolher_tabela, coalesce(F.N_ALTERA_CLIENTE,'') as n_altera_cliente, coalesce(F.N_INCLUI_CLIENTE,'') as n_inclui_cliente, coalesce(F.VEND_TRABALHA_C_CONSIG,'') as vend_trabalha_c_consig, coalesce(F.FATURAR_ESTOQUE_NEGATIVO,'') as faturar_estoque_negativo, coalesce(F.NAO_ALTERAR_PRECO_VENDA_MOBILE,'') as nao_alterar_preco_venda_mobile, coalesce(F.PERMITIR_ACRESCIMO_MOBILE,'') as permitir_acrescimo_mobile, coalesce(F.PERMITIR_DESCONTO_MOBILE,'') as permitir_desconto_mobile, coalesce(F.SENHA_ADMIN_MOBILE,'') as senha_admin_mobile, coalesce(F.USAR_TABELA_REP_MOBILE,'') as usar_tabela_rep_mobile, coalesce(F.LEVAR_TODOS_CLIENTES_MOB,'') as levar_todos_clientes_mob,
 coalesce(C.MOSTRA_MARGEM,'') as mostrar_margem, coalesce(C.USAR_NFE_SIMPLIFICADA,'') as usar_nfe_simplificada from FILIAL F left join CONFIGURACAO C ON C.IDFILIAL = F.IDFILIAL where F.IDFILIAL = '1'
-- @end

-- @name GetFilial without configuration
-- @call GetFilial() with IDFilial=3
-- @note a branch without CONFIGURACAO row
-- @rows 1
select cast(F.IDFILIAL as varchar(10)) as idfilial, coalesce(F.RAZAO, '') as razao, coalesce(F.ENDERECO, '') as endereco, coalesce(F.BAIRRO, '') as bairro, coalesce(F.CEP, '') as cep,
 coalesce(F.CIDADE, '') as cidade, coalesce(F.UF, '') as uf, coalesce(F.FONE, '') as fone,  coalesce(F.N_ESCOLHER_CONDICAO, '') as n_escolher_condicao,
 coalesce(F.N_ESCOLHER_FORMA,'') as n_escolher_forma, coalesce(F.N_ESCOLHER_TABELA,'') as n_escolher_tabela, coalesce(F.N_ALTERA_CLIENTE,'') as n_altera_cliente, coalesce(F.N_INCLUI_CLIENTE,'') as n_inclui_cliente, coalesce(F.VEND_TRABALHA_C_CONSIG,'') as vend_trabalha_c_consig, coalesce(F.FATURAR_ESTOQUE_NEGATIVO,'') as faturar_estoque_negativo, coalesce(F.NAO_ALTERAR_PRECO_VENDA_MOBILE,'') as nao_alterar_preco_venda_mobile, coalesce(F.PERMITIR_ACRESCIMO_MOBILE,'') as permitir_acrescimo_mobile, coalesce(F.PERMITIR_DESCONTO_MOBILE,'') as permitir_desconto_mobile, coalesce(F.SENHA_ADMIN_MOBILE,'') as senha_admin_mobile, coalesce(F.USAR_TABELA_REP_MOBILE,'') as usar_tabela_rep_mobile, coalesce(F.LEVAR_TODOS_CLIENTES_MOB,'') as levar_todos_clientes_mob,
 coalesce(C.MOSTRA_MARGEM,'') as mostrar_margem, coalesce(C.USAR_NFE_SIMPLIFICADA,'') as usar_nfe_simplificada from FILIAL F left join CONFIGURACAO C ON C.IDFILIAL = F.IDFILIAL where F.IDFILIAL = '3'
-- @end

-- @name GetFilialRep
-- @call GetFilialRep(IDRepresentante=2) with IDFilial=1
-- @rows 1
select cast(F.IDFILIAL as varchar(10)) as idfilial, coalesce(F.RAZAO, '') as razao, coalesce(F.ENDERECO, '') as endereco, coalesce(F.BAIRRO, '') as bairro, coalesce(F.CEP, '') as cep,
 coalesce(F.CIDADE, '') as cidade, coalesce(F.UF, '') as uf, coalesce(F.FONE, '') as fone,  coalesce(F.N_ESCOLHER_CONDICAO, '') as n_escolher_condicao,
 coalesce(F.N_ESCOLHER_FORMA,'') as n_escolher_forma, coalesce(F.N_ESCOLHER_TABELA,'') as n_escolher_tabela, coalesce(F.N_ALTERA_CLIENTE,'') as n_altera_cliente, coalesce(F.N_INCLUI_CLIENTE,'') as n_inclui_cliente, coalesce(R.CONTROLA_PRODUTO_REPRESENTANTE,'') as vend_trabalha_c_consig, coalesce(F.FATURAR_ESTOQUE_NEGATIVO,'') as faturar_estoque_negativo, coalesce(F.NAO_ALTERAR_PRECO_VENDA_MOBILE,'') as nao_alterar_preco_venda_mobile, coalesce(F.PERMITIR_ACRESCIMO_MOBILE,'') as permitir_acrescimo_mobile, coalesce(F.PERMITIR_DESCONTO_MOBILE,'') as permitir_desconto_mobile, coalesce(F.SENHA_ADMIN_MOBILE,'') as senha_admin_mobile, coalesce(F.USAR_TABELA_REP_MOBILE,'') as usar_tabela_rep_mobile, coalesce(F.LEVAR_TODOS_CLIENTES_MOB,'') as levar_todos_clientes_mob,
 coalesce(C.MOSTRA_MARGEM,'') as mostrar_margem, coalesce(C.USAR_NFE_SIMPLIFICADA,'') as usar_nfe_simplificada, coalesce(C.RECEBER_ULT_PEDIDOS_ANDROID,'') as receber_ult_pedidos_android, coalesce(C.USAR_BOLETO_ANDROID,'') as usar_boleto_android, coalesce(C.VERIFICAR_CLI_ATRASO_MOB,'') as verificar_cliente_em_atraso_mob, coalesce(C.MOSTRAR_OBS_CLI_MOBILE,'') as mostrar_obs_cli_mobile, coalesce(cast(C.PORTA_FTP as varchar(10)), '0') as porta_ftp, coalesce(C.IMAGENS_NO_ANDROID,'') as imagens_no_android, coalesce(C.CAMINHO_FTP_MOBILE,'') as caminho_ftp_mobile, coalesce(C.DIGITAR_PRAZO_ANDROID,'') as digitar_prazo_android from FILIAL F left join CONFIGURACAO C ON C.IDFILIAL = F.IDFILIAL left join REPRESENTANTE R on R.IDREPRESENTANTE = '2' where F.IDFILIAL = '1'
-- @end

-- @name GetSenhaPalm
-- @call GetSenhaPalm() with IDFilial=1
-- @rows 4
select cast(S.idcontrole as varchar(10)) as idcontrole, cast(s.idrepresentante as varchar(10)) as idrepresentante, s.senha, coalesce(s.status,'') as status from SENHA_PALM S where s.idfilial = '1' and s.status is null
-- @end

-- @name GetSenhaPalmRep
-- @call GetSenhaPalmRep(IDRepresentante=1) with IDFilial=1
-- @rows 2
select cast(S.idcontrole as varchar(10)) as idcontrole, cast(s.idrepresentante as varchar(10)) as idrepresentante, s.senha, coalesce(s.status,'') as status from SENHA_PALM S where s.idfilial = '1' and s.idrepresentante = '1' and s.status is null
-- @end

-- @name GetCelulares
-- @call GetCelulares(IMEI='358240051111110', Representante='João')
-- @note registered in both branches
-- @rows 2
select coalesce(C.bloquear,'') as bloquear from CELULARES C where C.IMEI = '358240051111110' and C.REPRESENTANTE like '%João%'
-- @end

-- @name GetCelulares no representative
-- @call GetCelulares(IMEI='358240054444440', Representante='')
-- @note REPRESENTANTE is NULL
-- @rows 0
select coalesce(C.bloquear,'') as bloquear from CELULARES C where C.IMEI = '358240054444440' and C.REPRESENTANTE like '%%'
-- @end

-- @name GetLogAndroid
-- @call GetLogAndroid(IDRepresentante=1, Tipo='ITENSTABELAPRECO') with IDFilial=1
-- @rows 4
select cast(L.ID as varchar(10)) as id, coalesce(cast(L.ID_2 as varchar(10)),'0') as id_2, coalesce(L.SITUACAO,'') as SITUACAO from LOG_ALTERACAO_ANDROID L WHERE L.IDFILIAL = '1' AND L.IDREPRESENTANTE = '1' AND L.TIPO = 'ITENSTABELAPRECO' order by L.ID
-- @end

/* =========================================== host window row sets */

-- @name dstFilial
-- @used-by TForm1 (cdsFilial)
-- @param IDFILIAL integer 1
-- @rows 1
select IDFILIAL, N_ESCOLHER_CONDICAO, N_ESCOLHER_FORMA, N_ESCOLHER_TABELA, N_ALTERA_CLIENTE, N_INCLUI_CLIENTE, VEND_TRABALHA_C_CONSIG, PORTA_MOBILE, FAZER_CONSISTENCIA_MOBILE, FATURAR_ESTOQUE_NEGATIVO, NAO_ALTERAR_PRECO_VENDA_MOBILE, PERMITIR_ACRESCIMO_MOBILE, PERMITIR_DESCONTO_MOBILE, USAR_TABELA_REP_MOBILE, LEVAR_TODOS_CLIENTES_MOB, TRATAR_CLI_NOVOS_MOBILE from FILIAL



where IDFILIAL = :IDFILIAL
-- @end

-- @name dstConfiguracao
-- @used-by TForm1 (cdsConfiguracao)
-- @param IDFILIAL integer 1
-- @rows 1
select IDFILIAL, MOSTRA_MARGEM, RECEBER_ULT_PEDIDOS_ANDROID, USAR_BOLETO_ANDROID, VERIFICAR_CLI_ATRASO_MOB, DIAS_EM_ATRASO_MOB, MOSTRAR_OBS_CLI_MOBILE, PORTA_FTP, IMAGENS_NO_ANDROID, DIGITAR_PRAZO_ANDROID from CONFIGURACAO




WHERE IDFILIAL = :IDFILIAL
-- @end

-- @name cdsFilial apply
-- @used-by TForm1.ButtonStartClick
-- @param PORTA_MOBILE integer 9090
-- @param OLD_IDFILIAL integer 1
-- @param OLD_N_ESCOLHER_CONDICAO text 'N'
-- @param OLD_N_ESCOLHER_FORMA text 'N'
-- @param OLD_N_ESCOLHER_TABELA text 'S'
-- @param OLD_N_ALTERA_CLIENTE text 'N'
-- @param OLD_N_INCLUI_CLIENTE text 'N'
-- @param OLD_VEND_TRABALHA_C_CONSIG text 'S'
-- @param OLD_PORTA_MOBILE integer 8081
-- @param OLD_FAZER_CONSISTENCIA_MOBILE text 'S'
-- @param OLD_FATURAR_ESTOQUE_NEGATIVO text 'N'
-- @param OLD_NAO_ALTERAR_PRECO_VENDA_MOBILE text 'N'
-- @param OLD_PERMITIR_ACRESCIMO_MOBILE text 'S'
-- @param OLD_PERMITIR_DESCONTO_MOBILE text 'S'
-- @param OLD_USAR_TABELA_REP_MOBILE text 'S'
-- @param OLD_LEVAR_TODOS_CLIENTES_MOB text 'N'
-- @param OLD_TRATAR_CLI_NOVOS_MOBILE text 'S'
-- @note written by the row set when Start applies a changed port; the row is found by the original values of all its columns (the exact text is the row set's)
-- @rows 1
update FILIAL set PORTA_MOBILE = :PORTA_MOBILE
where IDFILIAL = :OLD_IDFILIAL and N_ESCOLHER_CONDICAO = :OLD_N_ESCOLHER_CONDICAO and N_ESCOLHER_FORMA = :OLD_N_ESCOLHER_FORMA and N_ESCOLHER_TABELA = :OLD_N_ESCOLHER_TABELA and N_ALTERA_CLIENTE = :OLD_N_ALTERA_CLIENTE and N_INCLUI_CLIENTE = :OLD_N_INCLUI_CLIENTE and VEND_TRABALHA_C_CONSIG = :OLD_VEND_TRABALHA_C_CONSIG and PORTA_MOBILE = :OLD_PORTA_MOBILE and FAZER_CONSISTENCIA_MOBILE = :OLD_FAZER_CONSISTENCIA_MOBILE and FATURAR_ESTOQUE_NEGATIVO = :OLD_FATURAR_ESTOQUE_NEGATIVO and NAO_ALTERAR_PRECO_VENDA_MOBILE = :OLD_NAO_ALTERAR_PRECO_VENDA_MOBILE and PERMITIR_ACRESCIMO_MOBILE = :OLD_PERMITIR_ACRESCIMO_MOBILE and PERMITIR_DESCONTO_MOBILE = :OLD_PERMITIR_DESCONTO_MOBILE and USAR_TABELA_REP_MOBILE = :OLD_USAR_TABELA_REP_MOBILE and LEVAR_TODOS_CLIENTES_MOB = :OLD_LEVAR_TODOS_CLIENTES_MOB and TRATAR_CLI_NOVOS_MOBILE = :OLD_TRATAR_CLI_NOVOS_MOBILE
-- @end

-- @name cdsConfiguracao apply
-- @used-by TForm1.ButtonStartClick
-- @param DIAS_EM_ATRASO_MOB integer 45
-- @param OLD_IDFILIAL integer 1
-- @param OLD_MOSTRA_MARGEM text 'S'
-- @param OLD_RECEBER_ULT_PEDIDOS_ANDROID text 'S'
-- @param OLD_USAR_BOLETO_ANDROID text 'S'
-- @param OLD_VERIFICAR_CLI_ATRASO_MOB text 'S'
-- @param OLD_DIAS_EM_ATRASO_MOB integer 30
-- @param OLD_MOSTRAR_OBS_CLI_MOBILE text 'S'
-- @param OLD_PORTA_FTP integer 21
-- @param OLD_IMAGENS_NO_ANDROID text 'S'
-- @param OLD_DIGITAR_PRAZO_ANDROID text 'N'
-- @note as above, for a changed number of overdue days
-- @rows 1
update CONFIGURACAO set DIAS_EM_ATRASO_MOB = :DIAS_EM_ATRASO_MOB
where IDFILIAL = :OLD_IDFILIAL and MOSTRA_MARGEM = :OLD_MOSTRA_MARGEM and RECEBER_ULT_PEDIDOS_ANDROID = :OLD_RECEBER_ULT_PEDIDOS_ANDROID and USAR_BOLETO_ANDROID = :OLD_USAR_BOLETO_ANDROID and VERIFICAR_CLI_ATRASO_MOB = :OLD_VERIFICAR_CLI_ATRASO_MOB and DIAS_EM_ATRASO_MOB = :OLD_DIAS_EM_ATRASO_MOB and MOSTRAR_OBS_CLI_MOBILE = :OLD_MOSTRAR_OBS_CLI_MOBILE and PORTA_FTP = :OLD_PORTA_FTP and IMAGENS_NO_ANDROID = :OLD_IMAGENS_NO_ANDROID and DIGITAR_PRAZO_ANDROID = :OLD_DIGITAR_PRAZO_ANDROID
-- @end

/* ========================================= statement components */

-- @name dstInsertClientePalm
-- @used-by SetCliente
-- @param IDFILIAL integer 1
-- @param IDCLIENTE integer 9002
-- @param NMRAZAO text 'Lanchonete Cantinho D''Minas Ltda'
-- @param NMFANTASIA text 'Cantinho D''Minas'
-- @param ENDERECO text 'Rua Goiás, 1200'
-- @param NUMERO text ''
-- @param CEP text '30190-030'
-- @param BAIRRO text 'Centro'
-- @param IDCIDADE integer 1
-- @param TIPOCLIENTE text 'J'
-- @param CNPJ text '36.191.569/0001-29'
-- @param IE text '062.555.101/0044'
-- @param CPF text ''
-- @param RG text ''
-- @param FONE text '(31) 3222-1010'
-- @param FAX text ''
-- @param CELULAR text '(31) 99111-2233'
-- @param EMAIL text 'cantinho@exemplo.com.br'
-- @param ALTERADO text 'I'
-- @param IDATIVIDADE integer 5
-- @param IDCONVENIO integer 1
-- @param IDREGIAO integer 1
-- @param IDTABELAPRECO integer 0
-- @param CONTRIBUINTE text 'S'
-- @param CLIENTE_CONTRIBUINTE text 'S'
-- @param IDREPRESENTANTE integer 1
-- @param DATA_IMPORT date CURRENT_DATE
-- @param HORA_IMPORT time CURRENT_TIME
-- @rows 1
INSERT INTO CLIENTE_PALM (IDFILIAL, IDCLIENTE, NMRAZAO, NMFANTASIA, ENDERECO, NUMERO, CEP, BAIRRO, IDCIDADE, TIPOCLIENTE, CNPJ, IE, CPF, RG, FONE, FAX, CELULAR, EMAIL, ALTERADO, IDATIVIDADE, IDCONVENIO, IDREGIAO, IDTABELAPRECO, CONTRIBUINTE, CLIENTE_CONTRIBUINTE, IDREPRESENTANTE, DATA_IMPORT, HORA_IMPORT)
                  VALUES (:IDFILIAL, :IDCLIENTE, :NMRAZAO, :NMFANTASIA, :ENDERECO, :NUMERO, :CEP, :BAIRRO, :IDCIDADE, :TIPOCLIENTE, :CNPJ, :IE, :CPF, :RG, :FONE, :FAX, :CELULAR, :EMAIL, :ALTERADO, :IDATIVIDADE, :IDCONVENIO, :IDREGIAO, :IDTABELAPRECO, :CONTRIBUINTE, :CLIENTE_CONTRIBUINTE, :IDREPRESENTANTE, :DATA_IMPORT, :HORA_IMPORT);
-- @end

-- @name dstVerificaCNPJ
-- @used-by SetCliente
-- @param CNPJ text '47.938.706/0001-62'
-- @note client 1's CNPJ
-- @rows 1
select IDFILIAL, IDCLIENTE from CLIENTE



where CNPJ = :CNPJ
-- @end

-- @name dstVerificaCPF
-- @used-by SetCliente
-- @param CPF text '285.718.256-29'
-- @note client 3's CPF
-- @rows 1
select IDFILIAL, IDCLIENTE from CLIENTE



where CPF = :CPF
-- @end

-- @name dstInsertCliente
-- @used-by SetCliente
-- @param IDFILIAL integer 1
-- @param IDCLIENTE integer 0
-- @param IDCONVENIO integer 1
-- @param IDCIDADE integer 1
-- @param IDREGIAO integer 1
-- @param IDATIVIDADE integer 5
-- @param NOME text 'Lanchonete Cantinho D''Minas Ltda'
-- @param FANTASIA text 'Cantinho D''Minas'
-- @param ENDERECO text 'Rua Goiás, 1200'
-- @param BAIRRO text 'Centro'
-- @param CEP text '30190-030'
-- @param CNPJ text '36.191.569/0001-29'
-- @param INSESTADUAL text '062.555.101/0044'
-- @param CPF text ''
-- @param RG text ''
-- @param FONE text '(31) 3222-1010'
-- @param FAX text ''
-- @param CELULAR text '(31) 99111-2233'
-- @param EMAIL text 'cantinho@exemplo.com.br'
-- @param DTCADASTRO date CURRENT_DATE
-- @param TIPOCLIENTE text 'J'
-- @param IDREPRESENTANTE integer 1
-- @param IDCLIENTE_PALM integer 9002
-- @param IDREPRESENTANTE_PALM integer 1
-- @param CLIENTE_CONTRIBUINTE text 'S'
-- @note IDCLIENTE 0: the trigger CLIENTE_BI gives the next id, CLIENTE_AI links the representative
-- @rows 1
INSERT INTO CLIENTE (IDFILIAL, IDCLIENTE, IDCONVENIO, IDCIDADE, IDREGIAO, IDATIVIDADE, NOME, FANTASIA, ENDERECO, BAIRRO, CEP, CNPJ, INSESTADUAL, CPF, RG, FONE, FAX, CELULAR, EMAIL, DTCADASTRO, TIPOCLIENTE, IDREPRESENTANTE, IDCLIENTE_PALM, IDREPRESENTANTE_PALM, CLIENTE_CONTRIBUINTE)
             VALUES (:IDFILIAL, :IDCLIENTE, :IDCONVENIO, :IDCIDADE, :IDREGIAO, :IDATIVIDADE, :NOME, :FANTASIA, :ENDERECO, :BAIRRO, :CEP, :CNPJ, :INSESTADUAL, :CPF, :RG, :FONE, :FAX, :CELULAR, :EMAIL, :DTCADASTRO, :TIPOCLIENTE, :IDREPRESENTANTE, :IDCLIENTE_PALM, :IDREPRESENTANTE_PALM, :CLIENTE_CONTRIBUINTE);
-- @end

-- @name dstSelectCliente
-- @used-by SetCliente
-- @param IDCLIENTE integer 3
-- @rows 1
select IDFILIAL from CLIENTE



where IDCLIENTE = :IDCLIENTE
-- @end

-- @name dstUpdateCliente
-- @used-by SetCliente
-- @param NOME text 'Maria José da Conceição'
-- @param FANTASIA text 'Mercearia da Zezé'
-- @param ENDERECO text 'Rua Dona Zulmira, 77'
-- @param CEP text '32600-120'
-- @param BAIRRO text 'Angola'
-- @param IDCIDADE integer 3
-- @param TIPOCLIENTE text 'F'
-- @param CNPJ text ''
-- @param INSESTADUAL text ''
-- @param CPF text '285.718.256-29'
-- @param RG text 'MG-12.345.678'
-- @param FONE text '(31) 3531-0077'
-- @param FAX text ''
-- @param CELULAR text '(31) 98765-4321'
-- @param EMAIL text 'zeze@exemplo.com.br'
-- @param IDCONVENIO integer 1
-- @param IDREGIAO integer 2
-- @param IDATIVIDADE integer 2
-- @param CLIENTE_CONTRIBUINTE text 'N'
-- @param IDCLIENTE integer 3
-- @rows 1
UPDATE CLIENTE C
  SET C.NOME = :NOME,
      C.FANTASIA = :FANTASIA,
      C.ENDERECO = :ENDERECO,
      C.CEP = :CEP,
      C.BAIRRO = :BAIRRO,
      C.IDCIDADE = :IDCIDADE,
      C.TIPOCLIENTE = :TIPOCLIENTE,
      C.CNPJ = :CNPJ,
      C.INSESTADUAL = :INSESTADUAL,
      C.CPF = :CPF,
      C.RG = :RG,
      C.FONE = :FONE,
      C.FAX = :FAX,
      C.CELULAR = :CELULAR,
      C.EMAIL = :EMAIL,
      C.IDCONVENIO = :IDCONVENIO,
      C.IDREGIAO = :IDREGIAO,
      C.IDATIVIDADE = :IDATIVIDADE,
      C.CLIENTE_CONTRIBUINTE = :CLIENTE_CONTRIBUINTE
WHERE C.IDCLIENTE = :IDCLIENTE
-- @end

-- @name dstUpdateClienteTmp
-- @used-by SetIDClienteTmpNull
-- @param IDCLIENTE_PALM integer 7001
-- @param IDREPRESENTANTE_PALM integer 2
-- @rows 1
update cliente c
      set c.IDCLIENTE_PALM = null,
          c.IDREPRESENTANTE_PALM = null
     where c.IDCLIENTE_PALM  = :IDCLIENTE_PALM
         and c.IDREPRESENTANTE_PALM = :IDREPRESENTANTE_PALM
-- @end

-- @name dstSelectPedido
-- @used-by SetPedido, SetPedido2, SetPedido2_Novo
-- @param IDFILIAL integer 1
-- @param IDPEDIDOPALM integer 118
-- @param IDREPRESENTANTE integer 1
-- @rows 1
select IDFILIAL from PEDIDOPALM




where IDFILIAL = :IDFILIAL
  and IDPEDIDOPALM = :IDPEDIDOPALM
  and IDREPRESENTANTE = :IDREPRESENTANTE
-- @end

-- @name dstClienteTmp
-- @used-by SetPedido (through cdsClienteTmp)
-- @param IDCLIENTE_PALM integer 9001
-- @param IDREPRESENTANTE_PALM integer 1
-- @note the temporary id 9001 of client 6
-- @rows 1
select IDCLIENTE, IDCLIENTE_PALM from CLIENTE



where IDCLIENTE_PALM = :IDCLIENTE_PALM
  and IDREPRESENTANTE_PALM = :IDREPRESENTANTE_PALM
-- @end

-- @name dstPesFilial
-- @used-by SetPedido, SetReceber, SetCelulares
-- @param IDFILIAL integer 1
-- @rows 1
select CNPJ, NATOPERACAO_MOBILE, DEF_CAIXA from FILIAL



where IDFILIAL = :IDFILIAL
-- @end

-- @name dstInsertPedido
-- @used-by SetPedido
-- @param IDFILIAL integer 1
-- @param IDREPRESENTANTE integer 1
-- @param IDPEDIDOPALM integer 120
-- @param DTEMISSAO date CURRENT_DATE
-- @param IDFORMAPAGTO integer 2
-- @param SITPEDIDO text 'P'
-- @param IDCONDICAOPAGTO integer 3
-- @param IDTABELAPRECO integer 2
-- @param IDCLIENTE integer 6
-- @param DATAPEDIDO date CURRENT_DATE
-- @param TOTAL_PEDIDO currency 1532.4000
-- @param TOTAL_DESCONTO currency 0
-- @param PARCELA integer 2
-- @param NATOPERACAO text '5405'
-- @param TOTAL_COM_DESCONTO currency 1532.4000
-- @param IDCONSIGNACAO integer 0
-- @param NMRAZAO text 'Açougue Boi de Ouro Ltda'
-- @param NMFANTASIA text 'Boi de Ouro'
-- @param ENDERECO text 'Rua Padre Marinho, 45'
-- @param CEP text '33010-120'
-- @param BAIRRO text 'Centro'
-- @param IDCIDADE integer 6
-- @param TIPOCLIENTE text 'J'
-- @param CNPJ text '25.368.021/0001-95'
-- @param IE text ''
-- @param CPF text ''
-- @param RG text ''
-- @param FONE text '(31) 3641-2200'
-- @param FAX text ''
-- @param CELULAR text '(31) 98877-1122'
-- @param EMAIL text ''
-- @param IDATIVIDADE integer 6
-- @param IDCONVENIO integer 1
-- @param IDREGIAO integer 2
-- @param CLIENTE_CONTRIBUINTE text 'S'
-- @param OBS_EXTENSO text NULL
-- @note the parameter TOTAL_COM_DESCONTO fills the column TOTAL_COM_DECONTO; OBS_EXTENSO is never bound
-- @rows 1
INSERT INTO PEDIDOPALM (IDFILIAL, IDREPRESENTANTE, IDPEDIDOPALM, DTEMISSAO, IDFORMAPAGTO, SITPEDIDO, IDCONDICAOPAGTO, IDTABELAPRECO, IDCLIENTE, DATAPEDIDO, TOTAL_PEDIDO, TOTAL_DESCONTO, PARCELA, NATOPERACAO, TOTAL_COM_DECONTO, IDCONSIGNACAO, NMRAZAO, NMFANTASIA, ENDERECO, CEP, BAIRRO, IDCIDADE, TIPOCLIENTE, CNPJ, IE, CPF, RG, FONE, FAX, CELULAR, EMAIL, IDATIVIDADE, IDCONVENIO, IDREGIAO, CLIENTE_CONTRIBUINTE, OBS_EXTENSO) 
                               VALUES (:IDFILIAL, :IDREPRESENTANTE, :IDPEDIDOPALM, :DTEMISSAO, :IDFORMAPAGTO, :SITPEDIDO, :IDCONDICAOPAGTO, :IDTABELAPRECO, :IDCLIENTE, :DATAPEDIDO, :TOTAL_PEDIDO, :TOTAL_DESCONTO, :PARCELA, :NATOPERACAO, :TOTAL_COM_DESCONTO, :IDCONSIGNACAO, :NMRAZAO, :NMFANTASIA, :ENDERECO, :CEP, :BAIRRO, :IDCIDADE, :TIPOCLIENTE, :CNPJ, :IE, :CPF, :RG, :FONE, :FAX, :CELULAR, :EMAIL, :IDATIVIDADE, :IDCONVENIO, :IDREGIAO,  :CLIENTE_CONTRIBUINTE, :OBS_EXTENSO);
-- @end

-- @name dstSelectItensPedido
-- @used-by SetItensPedido
-- @param IDFILIAL integer 1
-- @param IDPEDIDOPALM integer 118
-- @param IDPRODUTO integer 1
-- @param IDREPRESENTANTE integer 1
-- @rows 1
select IDFILIAL from ITENSPEDIDOPALM




where IDFILIAL = :IDFILIAL
  and IDPEDIDOPALM = :IDPEDIDOPALM
  and IDPRODUTO = :IDPRODUTO
  and IDREPRESENTANTE = :IDREPRESENTANTE
-- @end

-- @name dstInsertItensPedido
-- @used-by SetItensPedido
-- @param IDFILIAL integer 1
-- @param IDREPRESENTANTE integer 1
-- @param IDPEDIDOPALM integer 120
-- @param UNIDADEMEDIDA integer 3
-- @param QTDEPEDIDO currency 2.5000
-- @param VALORUNITARIO currency 145.0000
-- @param DESCONTO currency 0
-- @param VALORUNITARIOTABELA currency 145.0000
-- @param IDPRODUTO integer 1
-- @param OBSERVACAO text 'Fardo com 6 pacotes'
-- @rows 1
INSERT INTO ITENSPEDIDOPALM (IDFILIAL, IDREPRESENTANTE, IDPEDIDOPALM, UNIDADEMEDIDA, QTDEPEDIDO, VALORUNITARIO, DESCONTO, VALORUNITARIOTABELA, IDPRODUTO, OBSERVACAO) VALUES (:IDFILIAL, :IDREPRESENTANTE, :IDPEDIDOPALM, :UNIDADEMEDIDA, :QTDEPEDIDO, :VALORUNITARIO, :DESCONTO, :VALORUNITARIOTABELA, :IDPRODUTO, :OBSERVACAO);
-- @end

-- @name dstUpdatePedido
-- @used-by SetPedido2_Novo
-- @param OBS_EXTENSO memo 'Receber no período da tarde; portão lateral. Cliente pediu nota com o CNPJ da matriz.'
-- @param PRAZO integer 28
-- @param IDFILIAL integer 1
-- @param IDREPRESENTANTE integer 1
-- @param IDPEDIDOPALM integer 118
-- @rows 1
update PEDIDOPALM P
  SET P.OBS_EXTENSO = :OBS_EXTENSO,
         P.PRAZO = :PRAZO
WHERE P.IDFILIAL = :IDFILIAL
  AND P.IDREPRESENTANTE = :IDREPRESENTANTE
  AND P.IDPEDIDOPALM = :IDPEDIDOPALM
-- @end

-- @name dstUpdatePedido without PRAZO
-- @used-by SetPedido2
-- @param OBS_EXTENSO memo 'Entregar após as 14h.'
-- @param PRAZO integer NULL
-- @param IDFILIAL integer 1
-- @param IDREPRESENTANTE integer 1
-- @param IDPEDIDOPALM integer 119
-- @note SetPedido2 leaves PRAZO unbound
-- @rows 1
update PEDIDOPALM P
  SET P.OBS_EXTENSO = :OBS_EXTENSO,
         P.PRAZO = :PRAZO
WHERE P.IDFILIAL = :IDFILIAL
  AND P.IDREPRESENTANTE = :IDREPRESENTANTE
  AND P.IDPEDIDOPALM = :IDPEDIDOPALM
-- @end

-- @name dstRecebendoPalmAFA
-- @used-by RecebendoPalmAfa
-- @param IDFILIAL integer 1
-- @param DATAIMPORT date CURRENT_DATE
-- @param IDREPRESENTANTE integer 1
-- @note the call of the stored procedure; its output parameter IDPEDIDO is not read (the text is the driver's)
-- @rows -
EXECUTE PROCEDURE RECEBENDO_PALM_AFA (:IDFILIAL, :DATAIMPORT, :IDREPRESENTANTE)
-- @end

-- @name dstUpdateIDPedidoPalm
-- @used-by SetIDPedidoPalm
-- @param IDPEDIDOPALM integer 121
-- @param IDFILIAL integer 1
-- @param IDPEDIDO integer 1080
-- @param IDFOLHA integer 1
-- @rows 1
UPDATE PEDIDO P
  SET P.IDPEDIDOPALM = :IDPEDIDOPALM
WHERE P.IDFILIAL = :IDFILIAL
  AND P.IDPEDIDO = :IDPEDIDO
  AND P.IDFOLHA = :IDFOLHA
-- @end

-- @name dstUpdateSituacaoPedido
-- @used-by SetSituacaoPedido
-- @param MOBILE_STATUS text '*'
-- @param IDFILIAL integer 1
-- @param IDPEDIDO integer 1120
-- @param IDREPRESENTANTE integer 1
-- @note both status rows of order 1120
-- @rows 2
update PEDIDO_STATUS P
  set P.mobile_status = :MOBILE_STATUS
 where P.idfilial = :IDFILIAL
   and P.IDPEDIDO = :IDPEDIDO
   and P.idrepresentante = :IDREPRESENTANTE
-- @end

-- @name dstUpdateReceber
-- @used-by SetReceber
-- @param DATAPAGAMENTO date CURRENT_DATE
-- @param VALORJUROS currency 0
-- @param VALORPAGAMENTO currency 423.1300
-- @param IDFORMAPAGTO integer 5
-- @param F_PARCIAL text 'N'
-- @param IDCAIXA integer 2
-- @param IDFILIAL integer 1
-- @param IDRECEBER integer 1120
-- @param IDFOLHA integer 99
-- @param IDORDEM integer 1
-- @param IDPARCIAL integer 0
-- @note IDCAIXA is the branch's DEF_CAIXA
-- @rows 1
update RECEBER R
  set R.DATAPAGAMENTO = :DATAPAGAMENTO,
      R.VALORJUROS = :VALORJUROS,
      R.VALORPAGAMENTO = :VALORPAGAMENTO,
      R.IDFORMAPAGTO = :IDFORMAPAGTO,
      R.F_PARCIAL = :F_PARCIAL,
      R.IDCAIXA = :IDCAIXA
 where R.IDFILIAL = :IDFILIAL
   and R.IDRECEBER = :IDRECEBER
   and R.IDFOLHA = :IDFOLHA
   and R.IDORDEM = :IDORDEM
   and R.IDPARCIAL = :IDPARCIAL
-- @end

-- @name dstUpdateRepresentante
-- @used-by SetRepresentante
-- @param IDPEDIDOPALM integer 120
-- @param IDREPRESENTANTE integer 1
-- @rows 1
update REPRESENTANTE R
  set R.idpedidopalm = :IDPEDIDOPALM
 where R.idrepresentante = :IDREPRESENTANTE
-- @end

-- @name dstSetSenhaPalm
-- @used-by SetSenhaPalm
-- @param status text 'U'
-- @param dtdeuso date CURRENT_DATE
-- @param idfilial integer 1
-- @param idrepresentante integer 1
-- @param senha text '482915'
-- @rows 1
update SENHA_PALM S
  set S.status = :status,
      S.dtdeuso = :dtdeuso
where S.idfilial = :idfilial
  and S.idrepresentante = :idrepresentante
  and S.senha = :senha
-- @end

-- @name dstSelectCelulares
-- @used-by SetCelulares
-- @param CNPJ text '71.721.192/0001-73'
-- @param IMEI text '358240051111110'
-- @rows 1
select * from CELULARES




where CNPJ = :CNPJ
  and IMEI = :IMEI
-- @end

-- @name dstUpdateCelulares
-- @used-by SetCelulares
-- @param DT_ULTIMO_ACESSO date CURRENT_DATE
-- @param REPRESENTANTE text 'João Carlos Ribeiro'
-- @param CNPJ text '71.721.192/0001-73'
-- @param IMEI text '358240051111110'
-- @rows 1
UPDATE CELULARES C
SET C.DT_ULTIMO_ACESSO = :DT_ULTIMO_ACESSO,
       C.REPRESENTANTE = :REPRESENTANTE
WHERE C.CNPJ = :CNPJ
  AND C.IMEI = :IMEI
-- @end

-- @name dstInsertCelulares
-- @used-by SetCelulares
-- @param CNPJ text '71.721.192/0001-73'
-- @param IMEI text '358240059999990'
-- @param REPRESENTANTE text 'Luíza Helena Conceição'
-- @param DT_PRIMEIRO_ACESSO date CURRENT_DATE
-- @param DT_ULTIMO_ACESSO date CURRENT_DATE
-- @note BLOQUEAR takes its default
-- @rows 1
INSERT INTO CELULARES (CNPJ, IMEI, REPRESENTANTE, DT_PRIMEIRO_ACESSO, DT_ULTIMO_ACESSO)
                            VALUES (:CNPJ, :IMEI, :REPRESENTANTE, :DT_PRIMEIRO_ACESSO, :DT_ULTIMO_ACESSO);
-- @end

-- @name dstDeletaLogAndroid
-- @used-by DeletaLogAndroid
-- @param IDFILIAL integer 1
-- @param IDREPRESENTANTE integer 2
-- @param TIPO text 'PRODUTO'
-- @param ID integer 9
-- @note ID_2 0: every entry of the ID
-- @rows 1
delete from LOG_ALTERACAO_ANDROID L

where L.IDFILIAL = :IDFILIAL
  and L.IDREPRESENTANTE = :IDREPRESENTANTE
  and L.TIPO = :TIPO
  and L.ID = :ID
-- @end

-- @name dstDeletaLogAndroid with ID_2
-- @used-by DeletaLogAndroid
-- @param IDFILIAL integer 1
-- @param IDREPRESENTANTE integer 1
-- @param TIPO text 'ITENSTABELAPRECO'
-- @param ID integer 1
-- @param ID_2 integer 11
-- @note ID_2 other than 0: the statement with the condition added
-- @rows 1
delete from LOG_ALTERACAO_ANDROID L

where L.IDFILIAL = :IDFILIAL
  and L.IDREPRESENTANTE = :IDREPRESENTANTE
  and L.TIPO = :TIPO
  and L.ID = :ID AND L.ID_2 = :ID_2
-- @end
